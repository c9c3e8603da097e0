#pragma once

#include "platform/ui/controls/AlertViewDelegate.h"
#include "platform/ui/graphics/Color.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

class AlertView;
class Key;
class Label;
class Timer;
class View;

// Flashes the test square through red, green and blue, many times a second
// for a set time, which can revive a stuck sub-pixel. Only ever the square:
// the flashing view lies inside it. It starts only after its own
// confirmation, which repeats the seizure warning and is where the rate is
// picked; when the desktop asks for reduced motion, a first question must be
// answered "Flash anyway" before that. Any key stops it.
class StuckPixelExerciser final : public AlertViewDelegate, public std::enable_shared_from_this<StuckPixelExerciser> {
public:
    static constexpr const char* kTitle = "Stuck-pixel exerciser";
    static constexpr const char* kReducedMotionTitle = "Reduced motion is on";
    static constexpr const char* kReducedMotionMessage
        = "The desktop asks for less motion, and the exerciser flashes the test square rapidly.";
    static constexpr const char* kFlashAnyway = "Flash anyway";
    // Flashes a second the user picks from; each is a button of the confirmation.
    static constexpr std::array<int, 3> kRates { 5, 15, 30 };
    static constexpr double kDuration = 600;

    // `screen` holds the countdown; `square` the flashing. Both outlive us.
    StuckPixelExerciser(View& screen, View& square);
    ~StuckPixelExerciser() override;

    // Asks first (see above); does nothing while running or asking.
    void offer();
    void stop();
    bool isRunning() const { return m_timer != nullptr; }
    bool isAsking() const { return m_alert != nullptr; }
    int rate() const { return m_rate; }
    // Seconds left, shown beside the square.
    double remaining() const;
    std::optional<Color> flashColor() const;
    const std::shared_ptr<View>& flashView() const { return m_flash; }
    std::string countdownText() const;

    // While asking: 1 to 3 pick a rate (Return the first), Escape cancels.
    // While running: any key stops. Otherwise nothing is taken.
    bool keyPressed(const Key&);

    // AlertViewDelegate
    void alertViewDidDismissWithButtonIndex(AlertView&, int) override;

private:
    void ask();
    void start(int rate);
    void tick();

    View& m_screen;
    View& m_square;
    std::shared_ptr<AlertView> m_alert;
    bool m_reducedMotionConfirmed { false };
    int m_rate { 0 };
    double m_startedAt { 0 };
    size_t m_colorIndex { 0 };
    std::shared_ptr<Timer> m_timer;
    std::shared_ptr<View> m_flash;
    std::shared_ptr<Label> m_countdown;
};
