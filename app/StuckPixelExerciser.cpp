#include "app/StuckPixelExerciser.h"

#include "app/vcVantrel.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Key.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const std::array<Color, 3> kFlashColors { Color::redColor(), Color::greenColor(), Color::blueColor() };

std::string rateTitle(int rate)
{
    return std::to_string(rate) + " a second";
}

} // namespace

StuckPixelExerciser::StuckPixelExerciser(View& screen, View& square)
    : m_screen(screen)
    , m_square(square)
{
}

StuckPixelExerciser::~StuckPixelExerciser()
{
    if (m_timer)
        m_timer->invalidate();
}

void StuckPixelExerciser::offer()
{
    if (isRunning() || isAsking())
        return;
    m_reducedMotionConfirmed = false;
    if (Application::shared().isReduceMotionEnabled()) {
        m_alert = View::make<AlertView>(kReducedMotionTitle, kReducedMotionMessage, weak_from_this(),
            std::string("Cancel"), std::vector<std::string> { kFlashAnyway });
        m_alert->show();
        return;
    }
    ask();
}

void StuckPixelExerciser::ask()
{
    char minutes[96];
    std::snprintf(minutes, sizeof minutes, " It flashes the test square through red, green and blue for %d minutes.",
        static_cast<int>(kDuration / 60));
    std::vector<std::string> rates;
    for (int rate : kRates)
        rates.push_back(rateTitle(rate));
    m_alert = View::make<AlertView>(
        kTitle, std::string(vcVantrel::kWarningMessage) + minutes, weak_from_this(), std::string("Cancel"), rates);
    m_alert->show();
}

void StuckPixelExerciser::alertViewDidDismissWithButtonIndex(AlertView& alert, int index)
{
    m_alert = nullptr;
    if (index == alert.cancelButtonIndex())
        return;
    std::string chosen = alert.buttonTitleAtIndex(index);
    if (chosen == kFlashAnyway) {
        m_reducedMotionConfirmed = true;
        ask();
        return;
    }
    for (int rate : kRates) {
        if (chosen == rateTitle(rate)) {
            // Asked twice under reduced motion: the second answer stands only after the first.
            if (Application::shared().isReduceMotionEnabled() && !m_reducedMotionConfirmed)
                return;
            start(rate);
            return;
        }
    }
}

void StuckPixelExerciser::start(int rate)
{
    m_rate = rate;
    m_startedAt = RunLoop::main().now();
    m_colorIndex = 0;
    // Inside the square and no bigger, however the square is resized while it runs.
    m_flash = View::make<View>(m_square.bounds());
    m_flash->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    m_flash->setUserInteractionEnabled(false);
    m_flash->setBackgroundColor(kFlashColors[0]);
    m_square.addSubview(m_flash);
    m_countdown = View::make<Label>(Rect { 0, 0, 220, 18 });
    m_countdown->setFont(Font::systemFont(12));
    m_countdown->setTextColor(Color::whiteColor());
    m_countdown->setBackgroundColor(Color::black().withAlpha(0.7));
    m_countdown->setTextAlignment(TextAlignment::Center);
    m_countdown->setUserInteractionEnabled(false);
    m_screen.addSubview(m_countdown);
    std::weak_ptr<StuckPixelExerciser> weakThis = weak_from_this();
    m_timer = Timer::scheduledTimer(1.0 / rate, true, [weakThis](Timer&) {
        if (auto self = weakThis.lock())
            self->tick();
    });
    tick();
}

void StuckPixelExerciser::tick()
{
    if (remaining() <= 0) {
        stop();
        return;
    }
    m_flash->setBackgroundColor(kFlashColors[m_colorIndex++ % kFlashColors.size()]);
    m_countdown->setText(countdownText());
    // Just above the square, kept on screen.
    Rect square = m_square.convertRectToView(m_square.bounds(), &m_screen);
    Size screen = m_screen.bounds().size;
    double x = std::clamp(square.midX() - 110, 0.0, std::max(0.0, screen.width - 220));
    double y = square.minY() - 24 >= 0 ? square.minY() - 24 : square.maxY() + 6;
    m_countdown->setFrame({ std::round(x), std::round(y), 220, 18 });
}

void StuckPixelExerciser::stop()
{
    if (m_timer)
        m_timer->invalidate();
    m_timer = nullptr;
    if (m_flash)
        m_flash->removeFromSuperview();
    if (m_countdown)
        m_countdown->removeFromSuperview();
    m_flash = nullptr;
    m_countdown = nullptr;
}

double StuckPixelExerciser::remaining() const
{
    if (!isRunning())
        return 0;
    return std::max(0.0, kDuration - (RunLoop::main().now() - m_startedAt));
}

std::optional<Color> StuckPixelExerciser::flashColor() const
{
    return m_flash ? m_flash->backgroundColor() : std::nullopt;
}

std::string StuckPixelExerciser::countdownText() const
{
    int seconds = static_cast<int>(std::ceil(remaining()));
    char text[80];
    std::snprintf(text, sizeof text, "%d a second · %d:%02d left · any key stops", m_rate, seconds / 60, seconds % 60);
    return text;
}

bool StuckPixelExerciser::keyPressed(const Key& key)
{
    if (isRunning()) {
        stop();
        return true;
    }
    if (!m_alert)
        return false;
    auto alert = m_alert;
    if (key.code() == Key::Code::Escape) {
        alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
        return true;
    }
    // The buttons after Cancel, in order: Return is the first.
    int choice = key.code() == Key::Code::Return ? 1 : 0;
    for (int digit = 1; digit < alert->numberOfButtons(); ++digit) {
        if (key.isCharacter(std::to_string(digit)))
            choice = digit;
    }
    if (choice > 0 && choice < alert->numberOfButtons()) {
        alert->dismissWithClickedButtonIndex(choice, false);
        return true;
    }
    return true; // the question is open: other keys wait
}
