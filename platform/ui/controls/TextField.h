#pragma once

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Font.h"

#include <cstddef>
#include <string>

class TextFieldDelegate;

// One line of editable text in a rounded white box, with a grey placeholder
// while empty. A tap makes it first responder (the keyboard shows) and puts
// the caret at the tapped character. Text arrives from the host's input
// method (insertText) or as typed keys; BackSpace and Delete remove whole
// characters, never part of a multi-byte one; Left, Right, Home and End move
// the caret; Control+A selects everything, and what is typed next replaces
// the selection. Return and Escape go to the delegate. While the field or a
// view above it refuses user interaction, input is ignored.
//
// The caret is drawn steady rather than blinking, so the screen stays still
// (and screenshots stable) while nobody types.
class TextField : public Control {
public:
    // Pasted text beyond this many bytes is cut (at a character boundary).
    static constexpr size_t kMaximumLength = 4096;

    explicit TextField(const Rect& frame = {});

    const std::string& text() const { return m_text; }
    // Replaces the text (invalid UTF-8 repaired, line breaks dropped) and puts
    // the caret at its end; the delegate is not told.
    void setText(const std::string&);
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string);
    const Font& font() const { return m_font; }
    void setFont(const Font&);
    TextFieldDelegate* delegate() const { return m_delegate; }
    // Not owned; must outlive the field or be cleared.
    void setDelegate(TextFieldDelegate* delegate) { m_delegate = delegate; }
    // Room at the left for an icon drawn by the field (the search bar's magnifier).
    bool showsSearchIcon() const { return m_showsSearchIcon; }
    void setShowsSearchIcon(bool);

    // Editing. The caret and the selection are byte offsets on character boundaries.
    size_t caret() const { return m_caret; }
    void setCaret(size_t);
    bool hasSelection() const { return m_selectionStart != m_selectionEnd; }
    size_t selectionStart() const { return m_selectionStart; }
    size_t selectionEnd() const { return m_selectionEnd; }
    void selectAll();
    void deleteBackward();
    void deleteForward();
    // Whether it and every view above it take user interaction.
    bool isEditable() const;

    // Responder
    bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool acceptsTextInput() const override { return true; }
    void insertText(const std::string&) override;
    bool keyPressed(const Key&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesBegan(const TouchSet&, const Event&) override;

    void drawRect(const Rect&) override;
    std::optional<std::string> accessibilityText() const override;

    // Where the text starts inside the bounds.
    Rect textRect() const;
    // The x of a byte offset's position in the text, from the text's start.
    double offsetOfIndex(size_t index) const;
    // The byte offset nearest to x (from the text's start).
    size_t indexAtOffset(double x) const;

private:
    void replaceSelection(const std::string& replacement);
    void textDidChange();
    void clearSelection() { m_selectionStart = m_selectionEnd = m_caret; }

    std::string m_text;
    std::string m_placeholder;
    Font m_font;
    TextFieldDelegate* m_delegate { nullptr };
    bool m_showsSearchIcon { false };
    size_t m_caret { 0 };
    size_t m_selectionStart { 0 };
    size_t m_selectionEnd { 0 };
    // Scrolled to keep the caret in view when the text is wider than the box.
    double m_scrollOffset { 0 };
};
