#pragma once

#include "platform/ui/graphics/Color.h"

#include <optional>
#include <string>
#include <string_view>

// What a marked pixel does wrong. Hot pixels are always lit, dead ones always
// dark; a stuck sub-pixel shows one primary (or, stuck off, lacks one) whatever
// the pixel should show.
enum class DefectKind { Hot, Dead, StuckRed, StuckGreen, StuckBlue, StuckOff };

// One marked pixel of a monitor, in device pixels of the mode it was marked
// in. The mode travels with the mark, so a mark made before the monitor's
// mode changed is recognised as such instead of being moved.
struct DefectMark {
    int x { 0 };
    int y { 0 };
    DefectKind kind { DefectKind::Dead };
    int modeWidth { 0 };
    int modeHeight { 0 };

    // The fault types warranties count: 1 always lit, 2 always dark, 3 a stuck sub-pixel.
    static int faultType(DefectKind);
    // The words of files, reports and scripts: "hot", "dead", "stuck-red", "stuck-green",
    // "stuck-blue", "stuck-off".
    static const char* name(DefectKind);
    static std::optional<DefectKind> kindNamed(std::string_view);
    // For people: "hot pixel", "stuck red sub-pixel" and so on.
    static const char* description(DefectKind);
    // The colour rings and map symbols of the kind are drawn in.
    static Color color(DefectKind);

    bool madeInMode(int width, int height) const { return modeWidth == width && modeHeight == height; }
    bool operator==(const DefectMark&) const = default;
};
