#pragma once

#include "platform/ui/views/View.h"

#include <memory>
#include <string>

class Label;

// One row of a table: a white row with a text label and a thin separator at
// its foot, blue with white text while selected. A cell carries the
// identifier it is reused under; the table keeps cells that scrolled out of
// sight to hand out again for rows of the same identifier.
class TableViewCell : public View {
public:
    enum Style : int { StyleDefault = 0 };
    static constexpr double kTextInset = 10;

    TableViewCell(Style, std::string reuseIdentifier);

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<Label>& textLabel() const { return m_textLabel; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool);
    // Called before the table hands the cell out again.
    virtual void prepareForReuse();

    void drawRect(const Rect&) override;
    void layoutSubviews() override;
    // A tap on the cell selects its row; touches are not passed up, since
    // the table sees them already as the scroll view they began in.
    void touchesBegan(const TouchSet&, const Event&) override { }
    void touchesMoved(const TouchSet&, const Event&) override { }
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override { }

private:
    std::string m_reuseIdentifier;
    std::shared_ptr<Label> m_textLabel;
    bool m_selected { false };
};
