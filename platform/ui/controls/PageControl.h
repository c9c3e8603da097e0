#pragma once

#include "platform/ui/controls/Control.h"

// A row of dots, one per page, with the current page's dot lit. A tap on
// the left or right half steps one page back or on and sends value-changed.
class PageControl : public Control {
public:
    static constexpr double kDotDiameter = 7;
    static constexpr double kDotSpacing = 9;
    static constexpr double kPreferredHeight = 36;

    explicit PageControl(const Rect& frame = {});

    int numberOfPages() const { return m_numberOfPages; }
    void setNumberOfPages(int);
    // Kept within 0 … numberOfPages − 1.
    int currentPage() const { return m_currentPage; }
    void setCurrentPage(int);
    bool hidesForSinglePage() const { return m_hidesForSinglePage; }
    void setHidesForSinglePage(bool);

    // The size the dots of `pages` pages need.
    Size sizeForNumberOfPages(int pages) const;

    void drawRect(const Rect&) override;
    void touchesEnded(const TouchSet&, const Event&) override;

private:
    void updateVisibility();

    int m_numberOfPages { 0 };
    int m_currentPage { 0 };
    bool m_hidesForSinglePage { false };
    bool m_hiddenForSinglePage { false };
};
