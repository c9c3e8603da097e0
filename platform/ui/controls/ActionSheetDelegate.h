#pragma once

class ActionSheet;

// Told which button of an action sheet was tapped. Optional.
class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(ActionSheet&, int) { }
};
