#pragma once

#include "platform/ui/graphics/Rect.h"

// The device's screen: 320 × 480 points. The scale (pixels per point) is the
// host's: the desktop window's scale factor, or the headless host's choice.
class Screen {
public:
    static Screen& mainScreen();

    Rect bounds() const { return { 0, 0, 320, 480 }; }
    // The bounds less the status bar when it is shown.
    Rect applicationFrame() const;
    double scale() const { return m_scale; }
    void setScale(double s) { m_scale = s > 0 ? s : 1.0; }

private:
    double m_scale { 1.0 };
};
