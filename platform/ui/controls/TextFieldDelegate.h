#pragma once

class TextField;

// Told what happens in a text field. Every operation is optional.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual void textFieldDidBeginEditing(TextField&) { }
    virtual void textFieldDidEndEditing(TextField&) { }
    // The text changed by the user's typing, deleting or pasting (not by setText).
    virtual void textFieldDidChange(TextField&) { }
    // Return was pressed.
    virtual void textFieldShouldReturn(TextField&) { }
    // Escape was pressed.
    virtual void textFieldShouldCancel(TextField&) { }
};
