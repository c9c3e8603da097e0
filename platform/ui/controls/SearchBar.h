#pragma once

#include "platform/ui/controls/TextFieldDelegate.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <optional>
#include <string>

class Button;
class SearchBarDelegate;
class TextField;

// A bar with a rounded search field (magnifier, placeholder) and, when asked
// for, a Cancel button at its right. Its background is a vertical gradient in
// the bar style's colours, or in the tint colour when one is set. Editing is
// the field's (see TextField); the bar passes becoming and resigning first
// responder on to it and reports to its delegate.
class SearchBar : public View, public TextFieldDelegate {
public:
    enum BarStyle : int { BarStyleDefault = 0, BarStyleBlack = 1 };
    // Stored for the keyboard; text is taken as typed either way.
    enum AutocorrectionType : int { AutocorrectionDefault = 0, AutocorrectionNo = 1, AutocorrectionYes = 2 };
    enum AutocapitalizationType : int {
        AutocapitalizationNone = 0,
        AutocapitalizationWords = 1,
        AutocapitalizationSentences = 2,
        AutocapitalizationAllCharacters = 3,
    };

    static constexpr double kCancelButtonWidth = 62;
    static constexpr double kFieldHeight = 31;
    static constexpr double kMargin = 6;

    explicit SearchBar(const Rect& frame = {});
    ~SearchBar() override;

    std::string text() const;
    void setText(const std::string&);
    std::string placeholder() const;
    void setPlaceholder(const std::string&);
    std::shared_ptr<SearchBarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SearchBarDelegate> delegate) { m_delegate = std::move(delegate); }

    bool showsCancelButton() const { return m_showsCancelButton; }
    void setShowsCancelButton(bool);
    int barStyle() const { return m_barStyle; }
    void setBarStyle(int);
    const std::optional<Color>& tintColor() const { return m_tintColor; }
    void setTintColor(std::optional<Color>);
    int autocorrectionType() const { return m_autocorrectionType; }
    void setAutocorrectionType(int type) { m_autocorrectionType = type; }
    int autocapitalizationType() const { return m_autocapitalizationType; }
    void setAutocapitalizationType(int type) { m_autocapitalizationType = type; }

    const std::shared_ptr<TextField>& textField() const { return m_textField; }
    const std::shared_ptr<Button>& cancelButton() const { return m_cancelButton; }

    // Responder: the field edits.
    bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    void drawRect(const Rect&) override;
    void layoutSubviews() override;

    // TextFieldDelegate
    void textFieldDidBeginEditing(TextField&) override;
    void textFieldDidChange(TextField&) override;
    void textFieldShouldReturn(TextField&) override;
    void textFieldShouldCancel(TextField&) override;

    // The top and bottom colours of the background.
    std::pair<Color, Color> backgroundColors() const;

private:
    void cancelButtonPressed();

    std::weak_ptr<SearchBarDelegate> m_delegate;
    std::shared_ptr<TextField> m_textField;
    std::shared_ptr<Button> m_cancelButton;
    bool m_showsCancelButton { false };
    int m_barStyle { BarStyleDefault };
    std::optional<Color> m_tintColor;
    int m_autocorrectionType { AutocorrectionDefault };
    int m_autocapitalizationType { AutocapitalizationSentences };
};
