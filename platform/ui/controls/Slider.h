#pragma once

#include "platform/ui/controls/Control.h"

// A horizontal track with a thumb that picks a value between a minimum and a
// maximum. Dragging the thumb (or touching the track) sends value-changed
// each time the value changes.
class Slider : public Control {
public:
    static constexpr double kThumbRadius = 11;

    explicit Slider(const Rect& frame = {});

    double minimumValue() const { return m_minimum; }
    void setMinimumValue(double);
    double maximumValue() const { return m_maximum; }
    void setMaximumValue(double);
    double value() const { return m_value; }
    // Clamped to the range; sends no action.
    void setValue(double);
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool c) { m_continuous = c; }

    // The thumb's centre for the current value, in the slider's coordinates.
    Point thumbCenter() const;
    double valueForX(double x) const;

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;

private:
    void track(const TouchSet&);

    double m_minimum { 0 };
    double m_maximum { 1 };
    double m_value { 0 };
    bool m_continuous { true };
    bool m_changedWhileTracking { false };
};
