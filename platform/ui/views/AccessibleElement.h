#pragma once

#include "platform/ui/graphics/Rect.h"

#include <string>

class View;

// Something on screen a script or a screen reader can find by its text: a
// view, or a part of one (a bar button, a segment).
struct AccessibleElement {
    std::string label;
    Rect frame; // in the view's coordinates
    View* view { nullptr };
};
