#include "ads/clickthrough/PellarModalViewController.h"

#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <utility>

static std::weak_ptr<PellarModalViewController>& activeController()
{
    static std::weak_ptr<PellarModalViewController> active;
    return active;
}

PellarModalViewController::PellarModalViewController() = default;

PellarModalViewController::~PellarModalViewController() = default;

std::shared_ptr<PellarModalViewController> PellarModalViewController::activeModalController()
{
    return activeController().lock();
}

std::shared_ptr<PellarModalViewController> PellarModalViewController::sharedController()
{
    return std::static_pointer_cast<PellarModalViewController>(shared_from_this());
}

double PellarModalViewController::adMoveDuration(double y)
{
    // 480 is a fixed distance, not the screen's height.
    return static_cast<float>(y / 480.0 * 0.8);
}

// MARK: Presentation

void PellarModalViewController::commandeerScreenFromAdView(
    std::shared_ptr<PellarView> adView, int animation, std::weak_ptr<PellarDelegate> delegate)
{
    auto protectedThis = sharedController();
    m_adView = std::move(adView);
    m_delegate = std::move(delegate);

    auto active = activeModalController();
    if (active && active.get() != this) {
        // The window to return to stays the one that was key before the first screen.
        m_previousKeyWindow = active->previousKeyWindow();
        m_owesDismissNotice = std::exchange(active->m_owesDismissNotice, false);
    } else {
        m_previousKeyWindow = Application::shared().keyWindow();
        if (auto host = m_delegate.lock()) {
            host->willPresentFullScreenModal();
            m_owesDismissNotice = true;
        }
    }

    m_modalWindow = View::make<Window>(Screen::mainScreen().bounds());
    auto content = view();
    // The screen fills the window, which follows the screen's size.
    content->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    m_modalWindow->addSubview(content);
    loadViewWithBounds(content->bounds());

    auto keyWindow = Application::shared().keyWindow();
    if (active)
        m_transitionAnimation = PellarModalTransitionFade;
    else if (animation == PellarModalTransitionAdMoveToTop)
        m_transitionAnimation = keyWindow && keyWindow->subviews().size() == 1 ? PellarModalTransitionAdMoveToTop
                                                                               : PellarModalTransitionFade;
    else
        m_transitionAnimation = animation;

    // A banner that is not on screen has nothing to grow from or slide.
    bool bannerOnScreen = m_adView && m_adView->window() && m_adView->superview();
    if (m_transitionAnimation == PellarModalTransitionBackgroundExpand && bannerOnScreen)
        startBackgroundExpand();
    else if (m_transitionAnimation == PellarModalTransitionAdMoveToTop && bannerOnScreen)
        startAdMoveToTop();
    else
        adStartAnimationDidStop(kFadeInAnimationID, true, nullptr);
}

void PellarModalViewController::startBackgroundExpand()
{
    Rect start = m_adView->superview()->convertRectToView(m_adView->frame(), nullptr);
    m_background = View::make(start);
    m_background->setBackgroundColor(Color::white(0.2, 0.9));
    m_adView->window()->addSubview(m_background);

    auto self = sharedController();
    View::beginAnimations(kBackgroundExpandAnimationID, nullptr);
    View::setAnimationDuration(kBackgroundDuration);
    View::setAnimationDidStopHandler([self](const std::string& id, bool finished, void* context) {
        self->adStartAnimationDidStop(id, finished, context);
    });
    m_background->setFrame(Screen::mainScreen().applicationFrame());
    View::commitAnimations();
    // Grown, it covers the screen below at any size.
    m_background->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
}

void PellarModalViewController::startAdMoveToTop()
{
    Application& application = Application::shared();
    double statusWidth = 0, statusHeight = 0;
    if (!application.isStatusBarHidden()) {
        statusWidth = application.statusBarFrame().width();
        statusHeight = application.statusBarFrame().height();
    }

    Window* adWindow = m_adView->window();
    View* container = adWindow;
    if (adWindow->subviews().size() == 1) {
        View* only = adWindow->subviews().front().get();
        Rect app = Screen::mainScreen().applicationFrame();
        // Each side is summed in single precision, then compared in double.
        float measures = static_cast<float>(statusHeight);
        measures += static_cast<float>(statusWidth);
        measures += static_cast<float>(only->bounds().width());
        measures += static_cast<float>(only->bounds().height());
        float screen = static_cast<float>(app.width());
        screen += static_cast<float>(app.height());
        if (static_cast<double>(measures) + 1.0 > static_cast<double>(screen))
            container = only;
    }

    Size size = m_adView->bounds().size;
    ImageContext context(size, Screen::mainScreen().scale());
    m_adView->layer().renderInContext(context.context());
    m_screenshotOfAd = View::make<ImageView>(context.image());

    Rect r = m_adView->superview()->convertRectToView(m_adView->frame(), container);
    m_screenshotOfAd->setFrame(r);
    container->addSubview(m_screenshotOfAd);
    m_adView->setHidden(true);

    double topOffset = 0;
    if (container == adWindow && !application.isStatusBarHidden())
        topOffset = statusHeight > statusWidth ? statusWidth : statusHeight;
    Rect target { 0, topOffset, adWindow->bounds().width(), m_adView->bounds().height() };
    if (r == target) {
        adStartAnimationDidStop(kFadeInAnimationID, true, nullptr);
        return;
    }
    auto self = sharedController();
    View::beginAnimations(kAdMoveToTopAnimationID, m_adView.get());
    View::setAnimationBeginsFromCurrentState(true);
    View::setAnimationDuration(adMoveDuration(r.minY()));
    View::setAnimationCurve(ViewAnimationCurve::EaseIn);
    View::setAnimationDidStopHandler([self](const std::string& id, bool finished, void* context) {
        self->adStartAnimationDidStop(id, finished, context);
    });
    m_screenshotOfAd->setFrame(target);
    View::commitAnimations();
}

void PellarModalViewController::adStartAnimationDidStop(const std::string&, bool, void*)
{
    if (!m_modalWindow)
        return;
    m_modalWindow->setAlpha(0);
    m_modalWindow->makeKeyAndVisible();
    auto self = sharedController();
    View::beginAnimations(kFadeInAnimationID, nullptr);
    View::setAnimationDuration(kFadeDuration);
    View::setAnimationDidStopHandler(
        [self](const std::string& id, bool finished, void* context) { self->fadeInDidStop(id, finished, context); });
    m_modalWindow->setAlpha(1.0);
    View::commitAnimations();
}

void PellarModalViewController::fadeInDidStop(const std::string&, bool, void*)
{
    // Given back while it faded in: it never became the screen shown.
    if (!m_modalWindow || m_relinquishing)
        return;
    auto protectedThis = sharedController();
    if (auto previous = activeModalController(); previous && previous.get() != this)
        previous->relinquishScreen();
    activeController() = protectedThis;
    landingPageDidAppear();
}

// MARK: Dismissal

bool PellarModalViewController::isKeyWindow() const
{
    return m_modalWindow && Application::shared().keyWindow() == m_modalWindow;
}

void PellarModalViewController::relinquishScreen()
{
    // Twice, or before presentation: nothing to give back.
    if (!m_modalWindow || m_relinquishing)
        return;
    auto self = sharedController();
    m_relinquishing = true;
    if (!isKeyWindow()) {
        // Replaced by a newer screen, covered, or given back before it had
        // appeared (a page that failed at once): leave at once and quietly.
        // The host still hears that the screen is back unless a newer screen
        // holds it.
        if (isViewLoaded())
            view()->removeFromSuperview();
        adFinishAnimationDidStop(kFadeOutAnimationID, true, nullptr);
        landingPageDidDisappear();
        notifyDismissed();
        return;
    }
    notifyDismissed();
    View::beginAnimations(kFadeOutAnimationID, nullptr);
    View::setAnimationDuration(kFadeDuration);
    View::setAnimationDidStopHandler(
        [self](const std::string& id, bool finished, void* context) { self->fadeOutDidStop(id, finished, context); });
    m_modalWindow->setAlpha(0);
    View::commitAnimations();
    // The shrink starts from the full view.
    if (m_background)
        m_background->setFrame(view()->frame());
}

bool PellarModalViewController::keyPressed(const Key& key)
{
    if (key.code() != Key::Code::Escape || !m_modalWindow)
        return ViewController::keyPressed(key);
    // Already on its way out: the key is used up all the same, so it does
    // not reach the screen underneath.
    if (!m_relinquishing) {
        auto protectedThis = sharedController();
        cancelFromKeyboard();
    }
    return true;
}

void PellarModalViewController::notifyDismissed()
{
    if (!std::exchange(m_owesDismissNotice, false))
        return;
    if (auto host = m_delegate.lock())
        host->didDismissFullScreenModal();
}

void PellarModalViewController::fadeOutDidStop(const std::string&, bool, void*)
{
    auto self = sharedController();
    if (isViewLoaded())
        view()->removeFromSuperview();
    landingPageDidDisappear();
    if (m_previousKeyWindow)
        m_previousKeyWindow->makeKeyAndVisible();

    bool bannerOnScreen = m_adView && m_adView->superview();
    auto finish = [self](const std::string& id, bool finished, void* context) {
        self->adFinishAnimationDidStop(id, finished, context);
    };
    if (m_background && bannerOnScreen) {
        View::beginAnimations(kBackgroundShrinkAnimationID, nullptr);
        View::setAnimationDuration(kBackgroundDuration);
        View::setAnimationDidStopHandler(finish);
        m_background->setFrame(m_adView->superview()->convertRectToView(m_adView->frame(), nullptr));
        View::commitAnimations();
    } else if (!m_screenshotOfAd || !m_screenshotOfAd->superview() || !bannerOnScreen) {
        adFinishAnimationDidStop(kFadeOutAnimationID, true, nullptr);
    } else {
        Rect r = m_adView->superview()->convertRectToView(m_adView->frame(), m_screenshotOfAd->superview());
        View::beginAnimations(kAdMoveToTopAnimationID, nullptr);
        View::setAnimationDuration(adMoveDuration(r.minY()));
        View::setAnimationCurve(ViewAnimationCurve::EaseOut);
        View::setAnimationDidStopHandler(finish);
        m_screenshotOfAd->setFrame(r);
        View::commitAnimations();
    }
}

void PellarModalViewController::adFinishAnimationDidStop(const std::string&, bool, void*)
{
    auto protectedThis = sharedController();
    if (m_background) {
        m_background->removeFromSuperview();
        m_background = nullptr;
    }
    if (m_screenshotOfAd) {
        m_screenshotOfAd->removeFromSuperview();
        m_screenshotOfAd = nullptr;
    }
    if (m_adView) {
        m_adView->setHidden(false);
        m_adView = nullptr;
    }
    if (m_modalWindow) {
        m_modalWindow->setHidden(true);
        // A window that was key when it went hands the keys back.
        if (m_modalWindow->isKeyWindow() && m_previousKeyWindow)
            m_previousKeyWindow->makeKeyAndVisible();
        m_modalWindow = nullptr;
    }
    m_previousKeyWindow = nullptr;
    if (activeModalController().get() == this)
        activeController().reset();
}
