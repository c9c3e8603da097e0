#pragma once

#include "platform/ui/graphics/Rect.h"
#include "platform/ui/views/ViewController.h"

#include <memory>
#include <string>

class ImageView;
class PellarDelegate;
class PellarView;
class View;
class Window;

// The common base of the full-screen click-through screens. It takes the
// screen from the host when an ad is tapped: its view goes into a window of
// its own, which becomes the key window, and the passage from the banner is
// animated (a dark background growing out of the banner, or a picture of the
// banner sliding to the top, then a fade-in); dismissal runs the same way
// back. At most one such screen shows at a time: one presented while another
// shows takes over when it has faded in, and the older leaves at once.
//
// Subclasses build their content in loadViewWithBounds and hear
// landingPageDidAppear / landingPageDidDisappear.
class PellarModalViewController : public ViewController {
public:
    enum Transition : int {
        PellarModalTransitionFade = 0,
        PellarModalTransitionBackgroundExpand = 1,
        PellarModalTransitionAdMoveToTop = 2,
    };

    static constexpr const char* kBackgroundExpandAnimationID = "PellarModalBackgroundExpand";
    static constexpr const char* kAdMoveToTopAnimationID = "PellarModalAdMoveToTop";
    static constexpr const char* kFadeInAnimationID = "LandingPageFadeIn";
    static constexpr const char* kFadeOutAnimationID = "LandingPageFadeOut";
    static constexpr const char* kBackgroundShrinkAnimationID = "PellarModalBackgroundShrink";
    static constexpr double kBackgroundDuration = 0.4;
    static constexpr double kFadeDuration = 0.4;

    PellarModalViewController();
    ~PellarModalViewController() override;

    // Presentation. The banner is held while the screen shows; the host is not owned.
    void commandeerScreenFromAdView(
        std::shared_ptr<PellarView> adView, int animation, std::weak_ptr<PellarDelegate> delegate);
    // Builds the screen's content in the controller's view; nothing in the base.
    virtual void loadViewWithBounds(const Rect&) { }
    void adStartAnimationDidStop(const std::string& animationID, bool finished, void* context);
    void fadeInDidStop(const std::string& animationID, bool finished, void* context);
    virtual void landingPageDidAppear() { }

    // Dismissal: gives the screen back. Anybody may call it once presented.
    void relinquishScreen();
    // Escape leaves the screen as its own way out does (Done, Cancel, close).
    bool keyPressed(const Key&) override;
    virtual void cancelFromKeyboard() { relinquishScreen(); }
    // The modal window is the application's key window.
    bool isKeyWindow() const;
    void fadeOutDidStop(const std::string& animationID, bool finished, void* context);
    void adFinishAnimationDidStop(const std::string& animationID, bool finished, void* context);
    virtual void landingPageDidDisappear() { }

    const std::shared_ptr<Window>& previousKeyWindow() const { return m_previousKeyWindow; }
    virtual bool shouldAutorotateToInterfaceOrientation(int) { return true; }

    // The screen shown now, if any.
    static std::shared_ptr<PellarModalViewController> activeModalController();

    // State, for the subclasses and tests.
    const std::shared_ptr<PellarView>& adView() const { return m_adView; }
    const std::shared_ptr<Window>& modalWindow() const { return m_modalWindow; }
    int transitionAnimation() const { return m_transitionAnimation; }
    const std::shared_ptr<View>& background() const { return m_background; }
    const std::shared_ptr<ImageView>& screenshotOfAd() const { return m_screenshotOfAd; }
    std::shared_ptr<PellarDelegate> delegate() const { return m_delegate.lock(); }

    // How long the banner's picture takes to slide from y to the top: y / 480
    // of 0.8 seconds, in single precision.
    static double adMoveDuration(double y);

protected:
    std::shared_ptr<PellarModalViewController> sharedController();

private:
    void startBackgroundExpand();
    void notifyDismissed();
    void startAdMoveToTop();

    std::weak_ptr<PellarDelegate> m_delegate;
    std::shared_ptr<PellarView> m_adView;
    std::shared_ptr<Window> m_previousKeyWindow;
    std::shared_ptr<Window> m_modalWindow;
    int m_transitionAnimation { PellarModalTransitionFade };
    std::shared_ptr<View> m_background;
    std::shared_ptr<ImageView> m_screenshotOfAd;
    // A second Done during the fade-out must not dismiss (and notify) twice.
    bool m_relinquishing { false };
    // This screen told the host it took the screen and must tell it when it
    // gives it back; a newer screen that takes over takes this on.
    bool m_owesDismissNotice { false };
};
