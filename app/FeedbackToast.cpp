#include "app/FeedbackToast.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/graphics/Font.h"

#include <cmath>

FeedbackToast::~FeedbackToast()
{
    if (m_fadeTimer)
        m_fadeTimer->invalidate();
    if (m_label)
        m_label->removeFromSuperview();
}

void FeedbackToast::show(View& screen, const std::string& text)
{
    ++*m_generation;
    if (!m_label) {
        m_label = View::make<Label>();
        m_label->setBackgroundColor(Color::black().withAlpha(0.75));
        m_label->setTextColor(Color::whiteColor());
        m_label->setFont(Font::boldSystemFont(15));
        m_label->setTextAlignment(TextAlignment::Center);
        m_label->layer().setCornerRadius(8);
        // It only tells; touches go to what is under it.
        m_label->setUserInteractionEnabled(false);
        m_label->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin
            | AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin);
    }
    Size size = screen.bounds().size;
    // On whole points, so the text stays sharp.
    m_label->setFrame(
        { std::round((size.width - kWidth) / 2), std::round((size.height - kHeight) / 2), kWidth, kHeight });
    m_label->setText(text);
    m_label->setAlpha(1);
    if (m_label->superview() != &screen)
        screen.addSubview(m_label);
    else
        screen.bringSubviewToFront(m_label.get());
    if (m_fadeTimer)
        m_fadeTimer->invalidate();
    m_fadeTimer = RunLoop::main().performAfterDelay(kShownSeconds, [this] { fade(); });
}

void FeedbackToast::fade()
{
    m_fadeTimer = nullptr;
    if (!m_label)
        return;
    unsigned generation = *m_generation;
    View::beginAnimations();
    View::setAnimationDuration(kFadeSeconds);
    View::setAnimationDidStopHandler(
        [current = m_generation, generation, label = std::weak_ptr<Label>(m_label)](const std::string&, bool, void*) {
            // A newer showing keeps it up.
            if (auto shown = label.lock(); shown && generation == *current)
                shown->removeFromSuperview();
        });
    m_label->setAlpha(0);
    View::commitAnimations();
}

bool FeedbackToast::isVisible() const
{
    return m_label && m_label->superview();
}
