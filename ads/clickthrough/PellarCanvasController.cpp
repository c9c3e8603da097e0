#include "ads/clickthrough/PellarCanvasController.h"

#include "ads/clickthrough/PellarCanvasWebView.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Screen.h"

std::shared_ptr<PellarCanvasController> PellarCanvasController::create()
{
    return std::shared_ptr<PellarCanvasController>(new PellarCanvasController);
}

PellarCanvasController::~PellarCanvasController() = default;

void PellarCanvasController::presentCanvasFromView(
    std::shared_ptr<PellarView> view, const URL& url, const std::string& title, std::weak_ptr<PellarDelegate> delegate)
{
    Rect screen = Screen::mainScreen().applicationFrame();
    m_canvas = PellarCanvasWebView::create({ (screen.width() - kCanvasWidth) * 0.5,
        (screen.height() - kCanvasHeight) * 0.5, kCanvasWidth, kCanvasHeight });
    m_canvas->setController(sharedController());
    m_canvas->setDismissSelector(&PellarModalViewController::relinquishScreen);
    m_canvas->setCanvasUrl(url);
    m_canvas->setCanvasTitle(title);
    m_canvas->startLoadingCanvas();
    commandeerScreenFromAdView(std::move(view), PellarModalTransitionBackgroundExpand, std::move(delegate));
}

void PellarCanvasController::loadViewWithBounds(const Rect&)
{
    if (!m_canvas)
        return;
    // The box stays centred when the screen changes size.
    m_canvas->webView()->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin
        | AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin);
    view()->addSubview(m_canvas->webView());
}

void PellarCanvasController::landingPageDidAppear()
{
    // The translucent backdrop becomes opaque behind the box.
    auto& backdrop = background();
    if (!backdrop || !backdrop->backgroundColor())
        return;
    Color opaque = *backdrop->backgroundColor();
    opaque.alpha = 1.0;
    View::beginAnimations(kDarkenBackgroundAnimationID, nullptr);
    View::setAnimationDuration(kDarkenDuration);
    backdrop->setBackgroundColor(opaque);
    View::commitAnimations();
}

bool PellarCanvasController::shouldAutorotateToInterfaceOrientation(int orientation)
{
    return orientation == kPortraitOrientation;
}
