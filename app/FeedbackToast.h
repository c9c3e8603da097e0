#pragma once

#include <memory>
#include <string>

class Label;
class Timer;
class View;

// A short message in the middle of a screen that fades away after a moment:
// what a key just changed ("0.50 s · 2 changes/s" after + or -). Showing it
// again while it shows replaces the text and starts the moment anew.
class FeedbackToast final {
public:
    static constexpr double kShownSeconds = 1.2;
    static constexpr double kFadeSeconds = 0.4;
    static constexpr double kWidth = 220;
    static constexpr double kHeight = 32;

    FeedbackToast() = default;
    ~FeedbackToast();

    void show(View& screen, const std::string& text);
    // On screen, fading included.
    bool isVisible() const;
    const std::shared_ptr<Label>& label() const { return m_label; }

private:
    void fade();

    std::shared_ptr<Label> m_label;
    std::shared_ptr<Timer> m_fadeTimer;
    // Which showing a fade belongs to: one that ends after a newer showing leaves it be.
    // Shared with the fade's completion, which may come after we are gone.
    std::shared_ptr<unsigned> m_generation { std::make_shared<unsigned>(0) };
};
