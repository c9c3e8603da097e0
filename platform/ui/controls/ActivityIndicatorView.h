#pragma once

#include "platform/ui/views/View.h"

#include <memory>

class Timer;

// The platform's styles of activity indicator, numbered as the platform numbers them.
enum class ActivityIndicatorViewStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// The spinning wheel shown while something is under way: twelve spokes, the
// brightest one stepping round twelve times a second. It sizes itself to its
// style (20 points, 37 for the large one) and, by default, hides while stopped.
class ActivityIndicatorView : public View {
public:
    static constexpr int kSpokeCount = 12;
    static constexpr double kStepInterval = 1.0 / 12.0;

    explicit ActivityIndicatorView(ActivityIndicatorViewStyle = ActivityIndicatorViewStyle::White);
    ~ActivityIndicatorView() override;

    ActivityIndicatorViewStyle style() const { return m_style; }
    void setStyle(ActivityIndicatorViewStyle);
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_timer != nullptr; }
    // Which spoke is brightest now (0 at twelve o'clock, then clockwise).
    int phase() const { return m_phase; }

    static Size sizeForStyle(ActivityIndicatorViewStyle);

    void drawRect(const Rect&) override;
    Size sizeThatFits(Size) const override { return sizeForStyle(m_style); }

private:
    void step();

    ActivityIndicatorViewStyle m_style;
    bool m_hidesWhenStopped { true };
    int m_phase { 0 };
    std::shared_ptr<Timer> m_timer;
};
