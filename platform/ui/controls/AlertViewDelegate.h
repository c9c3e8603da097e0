#pragma once

class AlertView;

// Told about an alert's buttons. Every operation is optional.
class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView&, int) { }
    virtual void alertViewDidDismissWithButtonIndex(AlertView&, int) { }
};
