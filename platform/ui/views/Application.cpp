#include "platform/ui/views/Application.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/graphics/CairoStateSaver.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/ApplicationDelegate.h"
#include "platform/ui/views/Keyboard.h"
#include "platform/ui/views/Responder.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <algorithm>
#include <cmath>
#include <gio/gio.h>

Application& Application::shared()
{
    static Application* application = new Application;
    return *application;
}

void Application::setDelegate(std::shared_ptr<ApplicationDelegate> delegate)
{
    m_delegate = std::move(delegate);
}

void Application::finishLaunching()
{
    if (m_delegate)
        m_delegate->applicationDidFinishLaunching(*this);
}

void Application::setStatusBarHidden(bool hidden, bool)
{
    if (m_statusBarHidden == hidden)
        return;
    m_statusBarHidden = hidden;
    setNeedsDisplay();
}

Rect Application::statusBarFrame() const
{
    if (m_statusBarHidden)
        return {};
    return { 0, 0, Screen::mainScreen().bounds().width(), kStatusBarHeight };
}

Rect Application::applicationFrame() const
{
    Rect screen = Screen::mainScreen().bounds();
    double top = m_statusBarHidden ? 0 : kStatusBarHeight;
    return { 0, top, screen.width(), screen.height() - top };
}

void Application::pruneWindows()
{
    std::erase_if(m_windows, [](auto& weak) { return weak.expired(); });
}

std::vector<std::shared_ptr<Window>> Application::windows() const
{
    std::vector<std::shared_ptr<Window>> list;
    for (auto& weak : m_windows) {
        if (auto window = weak.lock())
            list.push_back(std::move(window));
    }
    // Stable: windows of one level keep the order they were shown in.
    std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) { return a->windowLevel() < b->windowLevel(); });
    return list;
}

void Application::setKeyWindow(std::shared_ptr<Window> window)
{
    m_keyWindow = window;
    setNeedsDisplay();
}

void Application::addWindow(std::shared_ptr<Window> window)
{
    pruneWindows();
    std::erase_if(m_windows, [&](auto& weak) { return weak.lock() == window; });
    m_windows.push_back(window);
    setNeedsDisplay();
}

bool Application::hasWindow(const Window* window) const
{
    return std::any_of(m_windows.begin(), m_windows.end(), [&](auto& weak) { return weak.lock().get() == window; });
}

void Application::windowOrderChanged()
{
    setNeedsDisplay();
}

bool Application::openURL(const std::string& url)
{
    if (url.empty() || !SystemURLPolicy::checkOpenWithSystem(url))
        return false;
    bool opened;
    if (m_openURLHook) {
        opened = m_openURLHook(url);
    } else if (!m_launchesSystemHandlers) {
        opened = !m_systemHandlersMissing;
        if (opened)
            Log::write("Open with the system: " + Log::excerpt(url));
        else
            Log::write("Could not open " + Log::schemeAndHost(url) + ": no application is registered for it");
    } else {
        opened = launchWithSystem(url);
    }
    if (!opened)
        alertHandOffFailure(url);
    return opened;
}

std::string Application::handOffFailureText(const std::string& url)
{
    auto scheme = SystemURLPolicy::schemeOf(url);
    return "No application can open " + scheme.value_or("these") + ": links";
}

void Application::alertHandOffFailure(const std::string& url)
{
    // The log line says what failed; the user hears it too, once however
    // often the same kind of link is tried while the alert shows.
    std::string text = handOffFailureText(url);
    for (auto& alert : AlertView::visibleAlerts()) {
        if (alert->title() == text)
            return;
    }
    View::make<AlertView>(text, "", std::weak_ptr<AlertViewDelegate>(), std::string("OK"))->show();
}

void Application::setOpenURLHook(OpenURLHook hook)
{
    m_openURLHook = std::move(hook);
}

bool Application::launchWithSystem(const std::string& url)
{
    if (!SystemURLPolicy::checkOpenWithSystem(url))
        return false;
    GUniqueOutPtr<GError> error;
    bool launched = g_app_info_launch_default_for_uri(url.c_str(), nullptr, error.outPtr());
    if (error)
        Log::write("Could not open " + Log::schemeAndHost(url) + ": " + Log::excerpt(error->message));
    return launched;
}

void Application::sendTouch(TouchPhase phase, Point location)
{
    double now = RunLoop::main().now();
    if (phase != TouchPhase::Cancelled) {
        m_pointerLocation = location;
        noteUserActivity();
    }
    if (phase == TouchPhase::Began) {
        if (m_touch)
            sendTouch(TouchPhase::Cancelled, m_touch->screenLocation());
        std::shared_ptr<Window> target;
        View* hit = hitTest(location, &target);
        if (!hit)
            return;
        m_touch = std::make_shared<Touch>(hit->sharedView(), target, location, now);
        // A tap soon after the last one, on the same view and near it, counts on.
        if (m_lastTap.view.lock().get() == hit && now - m_lastTap.time <= kMultipleTapInterval
            && std::abs(location.x - m_lastTap.location.x) <= kMultipleTapDistance
            && std::abs(location.y - m_lastTap.location.y) <= kMultipleTapDistance)
            m_touch->setTapCount(m_lastTap.count + 1);
    } else {
        if (!m_touch)
            return;
        m_touch->update(phase, location, now);
    }
    auto touch = m_touch;
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
        m_touch = nullptr;
    if (phase == TouchPhase::Ended) {
        // A touch that wandered off is a drag, not a tap.
        bool tapped = std::abs(location.x - touch->tapLocation().x) <= kMultipleTapDistance
            && std::abs(location.y - touch->tapLocation().y) <= kMultipleTapDistance;
        m_lastTap = tapped ? LastTap { touch->view(), location, now, touch->tapCount() } : LastTap {};
    }
    auto view = touch->view();
    if (!view)
        return;
    TouchSet touches({ touch });
    Event event { touches, now };
    if (phase == TouchPhase::Began) {
        if (m_tracking.delay)
            m_tracking.delay->invalidate();
        m_tracking = {};
        // The innermost scrolling view wins; one touched directly takes its own touches.
        for (View* v = view.get(); v; v = v->superview()) {
            if (v->tracksSubviewTouches()) {
                if (v != view.get())
                    m_tracking.tracker = v->sharedView();
                break;
            }
        }
    }
    auto tracker = m_tracking.tracker.lock();
    if (!tracker) {
        deliverTouch(*view, phase, touches, event);
        return;
    }
    // The scrolling view sees every phase first and may take the touch over.
    deliverTouch(*tracker, phase, touches, event);
    bool over = phase == TouchPhase::Ended || phase == TouchPhase::Cancelled;
    if (!m_tracking.tookOver && tracker->hasTakenOverTouch()) {
        m_tracking.tookOver = true;
        if (m_tracking.contentBegan)
            deliverTouch(*view, TouchPhase::Cancelled, touches, event);
    }
    if (m_tracking.tookOver) {
        if (over)
            m_tracking = {};
        return;
    }
    if (phase == TouchPhase::Began && tracker->delaysSubviewTouches()) {
        // Held back until it is clearly a press, not the start of a drag.
        m_tracking.delay = RunLoop::main().performAfterDelay(kContentTouchDelay, [this, touch] {
            if (m_touch != touch || m_tracking.tookOver || m_tracking.contentBegan)
                return;
            m_tracking.contentBegan = true;
            if (auto view = touch->view()) {
                TouchSet touches({ touch });
                view->touchesBegan(touches, Event { touches, RunLoop::main().now() });
            }
        });
        return;
    }
    if (!m_tracking.contentBegan) {
        // Moves while held back wait for the delay; a press released before it
        // ran out still reaches the subview whole.
        if (phase == TouchPhase::Moved || phase == TouchPhase::Stationary)
            return;
        if (phase != TouchPhase::Cancelled) {
            m_tracking.contentBegan = true;
            view->touchesBegan(touches, event);
        }
    }
    if (phase != TouchPhase::Began && m_tracking.contentBegan)
        deliverTouch(*view, phase, touches, event);
    if (over) {
        if (m_tracking.delay)
            m_tracking.delay->invalidate();
        m_tracking = {};
    }
}

void Application::deliverTouch(View& view, TouchPhase phase, const TouchSet& touches, const Event& event)
{
    switch (phase) {
    case TouchPhase::Began:
        view.touchesBegan(touches, event);
        break;
    case TouchPhase::Moved:
    case TouchPhase::Stationary:
        view.touchesMoved(touches, event);
        break;
    case TouchPhase::Ended:
        view.touchesEnded(touches, event);
        break;
    case TouchPhase::Cancelled:
        view.touchesCancelled(touches, event);
        break;
    }
}

View* Application::hitTest(Point location, std::shared_ptr<Window>* window) const
{
    // The topmost visible window that takes the point gets the touch.
    auto stack = windows();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->isHidden())
            continue;
        if (View* hit = (*it)->hitTest((*it)->convertPointFromScreen(location))) {
            if (window)
                *window = *it;
            return hit;
        }
    }
    return nullptr;
}

void Application::cancelTouch()
{
    if (m_touch)
        sendTouch(TouchPhase::Cancelled, m_touch->screenLocation());
}

Responder* Application::keyResponder() const
{
    auto* responder = Responder::firstResponder();
    // A field keeps the keys only while its window is key: an alert over it
    // takes them, and typing must not go on underneath.
    auto window = keyWindow();
    if (auto* focused = dynamic_cast<View*>(responder);
        focused && window && focused->window() && focused->window() != window.get())
        return nullptr;
    return responder;
}

bool Application::insertText(const std::string& text)
{
    auto* responder = keyResponder();
    if (!responder || !responder->acceptsTextInput())
        return false;
    responder->insertText(text);
    return true;
}

bool Application::isTextInputActive() const
{
    auto* responder = keyResponder();
    return responder && responder->acceptsTextInput();
}

bool Application::sendSecondaryClick(Point screenLocation)
{
    View* view = hitTest(screenLocation);
    return view && view->secondaryClick(screenLocation);
}

bool Application::sendKey(const Key& key)
{
    noteUserActivity();
    auto window = keyWindow();
    auto* responder = keyResponder();
    if (responder && responder->keyPressed(key))
        return true;
    // Then the key window's front view and the chain above it: the alert or
    // sheet in it, or the screen's controller, so Escape can cancel them.
    if (window && !window->isHidden()) {
        auto subviews = window->subviews();
        auto front = std::find_if(subviews.rbegin(), subviews.rend(), [](auto& view) { return !view->isHidden(); });
        if (front != subviews.rend() && (*front)->keyPressed(key))
            return true;
    }
    // Keys nobody used still reach the application, so a screen without
    // text fields can be driven from the keyboard.
    return m_delegate && m_delegate->applicationKeyPressed(*this, key);
}

void Application::setFullScreen(bool fullScreen)
{
    if (m_fullScreenHook)
        m_fullScreenHook(fullScreen);
    else
        fullScreenDidChange(fullScreen);
}

void Application::fullScreenDidChange(bool fullScreen)
{
    if (m_fullScreen == fullScreen)
        return;
    m_fullScreen = fullScreen;
    NotificationCenter::defaultCenter().postNotification(kFullScreenDidChangeNotification, this);
}

void Application::noteUserActivity()
{
    NotificationCenter::defaultCenter().postNotification(kUserActivityNotification, this);
}

void Application::pointerDidMove(Point location)
{
    // A host may repeat the last place (a window that moved under a still pointer).
    if (m_pointerLocation && m_pointerLocation->x == location.x && m_pointerLocation->y == location.y)
        return;
    m_pointerLocation = location;
    noteUserActivity();
}

void Application::setPointerHidden(bool hidden)
{
    if (m_pointerHidden == hidden)
        return;
    m_pointerHidden = hidden;
    if (m_pointerHiddenHook)
        m_pointerHiddenHook(hidden);
}

bool Application::moveToNextMonitor()
{
    return m_moveToNextMonitorHook && m_moveToNextMonitorHook();
}

void Application::setIdleTimerDisabled(bool disabled)
{
    if (m_idleTimerDisabled == disabled)
        return;
    m_idleTimerDisabled = disabled;
    if (m_idleTimerHook)
        m_idleTimerHook(disabled);
}

void Application::screenDidChangeBounds(Rect oldBounds)
{
    Rect bounds = Screen::mainScreen().bounds();
    for (auto& window : windows()) {
        Rect frame = window->frame();
        if (frame.origin == oldBounds.origin && frame.size == oldBounds.size)
            window->setFrame(bounds);
    }
    setNeedsDisplay();
}

void Application::setNeedsDisplay()
{
    bool wasClean = !m_needsDisplay;
    m_needsDisplay = true;
    if (wasClean && m_displayChanged)
        m_displayChanged();
}

cairo_surface_t* Application::compositeScreen(double scale)
{
    Rect screen = Screen::mainScreen().bounds();
    int width = static_cast<int>(std::ceil(screen.width() * scale));
    int height = static_cast<int>(std::ceil(screen.height() * scale));
    if (!m_screen || m_screenScale != scale || m_screenWidth != width || m_screenHeight != height) {
        m_screen = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
        m_screenScale = scale;
        m_screenWidth = width;
        m_screenHeight = height;
    }
    m_needsDisplay = false;
    auto owner = adoptGRef(cairo_create(m_screen.get()));
    cairo_t* cr = owner.get();
    // The lowest window is copied in rather than blended over a black screen:
    // its premultiplied pixels on this opaque surface are the same as over
    // black, and what it does not cover becomes black, in one pass instead of two.
    bool first = true;
    for (auto& window : windows()) {
        if (window->isHidden())
            continue;
        cairo_surface_t* surface = window->composite(scale);
        Rect f = window->frame();
        CairoStateSaver saver(cr);
        cairo_translate(cr, std::round(f.minX() * scale), std::round(f.minY() * scale));
        cairo_set_source_surface(cr, surface, 0, 0);
        if (first)
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        first = false;
        cairo_paint(cr);
    }
    if (first) {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    if (!m_statusBarHidden)
        drawStatusBar(cr, scale);
    owner.clear();
    cairo_surface_flush(m_screen.get());
    // Compositing windows may have marked them; nothing is pending now.
    m_needsDisplay = false;
    return m_screen.get();
}

void Application::drawStatusBar(cairo_t* cr, double scale) const
{
    // A plain bar with the clock, over the top of the screen.
    CairoStateSaver saver(cr);
    GraphicsContext context(cr);
    context.scale(scale, scale);
    Rect bar = statusBarFrame();
    context.setFillColor(Color::black());
    context.fillRect(bar);
    context.setFillColor(Color::whiteColor());
    context.drawText(
        "Vantrel", bar.insetBy(0, 3), Font::boldSystemFont(12), LineBreakMode::Clip, TextAlignment::Center);
}

std::vector<std::pair<std::string, Rect>> Application::accessibleElementsOnScreen(bool includeCovered)
{
    std::vector<std::pair<std::string, Rect>> found;
    auto stack = windows();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        auto& window = *it;
        if (window->isHidden())
            continue;
        Rect windowRect = window->frame();
        std::function<void(View*)> visit = [&](View* view) {
            if (view->isHidden() || view->alpha() < 0.01)
                return;
            for (auto& element : view->accessibleElements()) {
                Rect inWindow = view->convertRectToView(element.frame, nullptr);
                Rect onScreen = inWindow.offsetBy(windowRect.minX(), windowRect.minY());
                found.emplace_back(element.label, onScreen);
            }
            auto subviews = view->subviews();
            for (auto sub = subviews.rbegin(); sub != subviews.rend(); ++sub)
                visit(sub->get());
        };
        visit(window.get());
        // A window covering the whole screen and taking touches hides the ones below.
        if (!includeCovered && window->isUserInteractionEnabled() && window->frame().contains({ 0, 0 })
            && window->frame().maxX() >= Screen::mainScreen().bounds().maxX()
            && window->frame().maxY() >= Screen::mainScreen().bounds().maxY() && window->windowLevel() > 0)
            break;
    }
    return found;
}

void Application::reset()
{
    m_windows.clear();
    m_keyWindow.reset();
    m_touch = nullptr;
    if (m_tracking.delay)
        m_tracking.delay->invalidate();
    m_tracking = {};
    m_lastTap = {};
    m_openURLHook = nullptr;
    m_launchesSystemHandlers = true;
    m_systemHandlersMissing = false;
    m_statusBarHidden = false;
    m_displayChanged = nullptr;
    m_delegate = nullptr;
    m_needsDisplay = true;
    m_fullScreen = false;
    m_fullScreenHook = nullptr;
    m_idleTimerDisabled = false;
    m_idleTimerHook = nullptr;
    m_reduceMotion = false;
    m_pointerLocation.reset();
    m_pointerHidden = false;
    m_pointerHiddenHook = nullptr;
    m_moveToNextMonitorHook = nullptr;
    Screen::mainScreen().resetSize();
    // Quietly: observers of the last test may be gone.
    Keyboard::shared().reset();
    if (auto* responder = Responder::firstResponder())
        responder->resignFirstResponder();
}
