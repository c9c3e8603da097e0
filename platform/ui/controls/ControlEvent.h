#pragma once

// The events a control sends actions for; a bit set.
enum ControlEvent : unsigned {
    ControlEventTouchDown = 1 << 0,
    ControlEventTouchDragInside = 1 << 2,
    ControlEventTouchDragOutside = 1 << 3,
    ControlEventTouchUpInside = 1 << 6,
    ControlEventTouchUpOutside = 1 << 7,
    ControlEventTouchCancel = 1 << 8,
    ControlEventValueChanged = 1 << 12,
    ControlEventAllEvents = 0xFFFFFFFFu,
};
