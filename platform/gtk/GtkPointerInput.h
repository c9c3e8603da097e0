#pragma once

#include "platform/ui/graphics/Point.h"

#include <functional>
#include <gtk/gtk.h>

// The pointer of a widget that shows our windows, as the application takes
// it: the primary button (or a finger) becomes a single touch (press,
// motion, release; a lost grab cancels it), a wheel or touchpad scrolls the
// scroll view under the pointer (Shift turns a wheel sideways), the
// secondary button is a secondary click, and every movement, pressed or not,
// is reported. The controllers go on the widgets given; the object lives as
// long as the input widget.
class GtkPointerInput {
public:
    struct Handlers {
        // A point in the input widget's units, in screen points.
        std::function<Point(double x, double y)> toPoints;
        // The widget's units per point (touchpad scrolling comes in units).
        std::function<double()> unitsPerPoint;
        // Before a press or a secondary click is delivered (takes the focus back).
        std::function<void()> willPress;
        // The touch phases, in the input widget's units; by default straight
        // to the application.
        std::function<void(double x, double y)> pressed;
        std::function<void(double x, double y)> moved;
        std::function<void(double x, double y)> released;
        std::function<void()> cancelled;
    };

    // Attaches the touch, wheel and secondary-click controllers to `input`
    // and the movement controller to `motion` (which may be `input`).
    static GtkPointerInput& attach(GtkWidget* input, GtkWidget* motion, Handlers);

    GtkPointerInput(const GtkPointerInput&) = delete;
    GtkPointerInput& operator=(const GtkPointerInput&) = delete;

private:
    explicit GtkPointerInput(Handlers);
    void press(double x, double y);
    void move(double dx, double dy);
    void release(double dx, double dy);
    void cancel();
    bool scroll(GtkEventControllerScroll*, double dx, double dy);

    Handlers m_handlers;
    double m_startX { 0 };
    double m_startY { 0 };
};
