#pragma once

#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/graphics/Color.h"

#include <memory>

class PellarDelegate;

// The colours and spinner an ad's banner is drawn with: the host's when it
// gives them, else the library's own. A host that is gone gives nothing.
class PellarAdAppearance final {
public:
    static Color defaultBackgroundColor() { return Color::rgba(0.443, 0.514, 0.631, 1.0); }

    static Color backgroundColor(const std::shared_ptr<PellarDelegate>& host);
    static Color textColor(const std::shared_ptr<PellarDelegate>& host);
    // The spinner shown while a click is recorded: grey when the host asks, else white.
    static ActivityIndicatorViewStyle spinnerStyle(const std::shared_ptr<PellarDelegate>& host);

    PellarAdAppearance() = delete;
};
