#pragma once

#include "app/VantrelAppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/graphics/Size.h"

#include <memory>
#include <optional>

// The app launched afresh on `clock` (the system clock when null), its
// warning dismissed and the test running: what the UI benchmarks measure.
// With a size, the screen is that many points at scale 1.
std::shared_ptr<VantrelAppDelegate> launchRunningScreen(
    std::shared_ptr<Clock> clock, std::optional<Size> screenSize = std::nullopt);
