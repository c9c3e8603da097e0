#include "platform/headless/HeadlessHost.h"

#include "platform/foundation/ManualClock.h"
#include "platform/foundation/PendingWork.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Keyboard.h"
#include "platform/ui/views/Screen.h"

#include <algorithm>
#include <cairo.h>
#include <glib.h>

namespace {

constexpr double kFrameInterval = 1.0 / 60.0;
// Real seconds to wait for work that keeps moving (a page that never stops
// loading) before time moves on regardless.
constexpr double kOutsideWorkTimeout = 30.0;

} // namespace

HeadlessHost::HeadlessHost(Options options)
    : m_options(options)
{
    if (m_options.scale <= 0)
        m_options.scale = 1.0;
}

HeadlessHost::~HeadlessHost() = default;

void HeadlessHost::start()
{
    Screen::mainScreen().setScale(m_options.scale);
    // No one sits at a desktop behind a headless run: links are logged, not launched.
    Application::shared().setLaunchesSystemHandlers(false);
    Application::shared().setSystemHandlersMissing(m_options.noURLHandlers);
    if (m_options.screenSize)
        Screen::mainScreen().setSize(*m_options.screenSize);
    Keyboard::shared().setOnScreenHeight(m_options.onScreenKeyboard ? Keyboard::kOnScreenHeight : 0);
    if (!m_options.realtime) {
        m_clock = std::make_shared<ManualClock>();
        RunLoop::main().setClock(m_clock);
    }
}

void HeadlessHost::settle()
{
    RunLoop::main().runUntilIdle();
}

void HeadlessHost::runFor(double seconds)
{
    if (seconds <= 0) {
        settle();
        return;
    }
    if (!m_options.realtime) {
        awaitOutsideWork();
        for (double left = seconds; left > 1e-9; left -= kFrameInterval) {
            RunLoop::main().advance(std::min(left, kFrameInterval));
            awaitOutsideWork();
            if (Application::shared().needsDisplay())
                Application::shared().compositeScreen(m_options.scale);
        }
        return;
    }
    bool done = false;
    RunLoop::main().performAfterDelay(seconds, [&done] { done = true; });
    RunLoop::main().runUntil([&done] { return done; }, seconds + 60);
}

void HeadlessHost::awaitOutsideWork()
{
    settle();
    PendingWork::waitUntilTimeIsFree(kOutsideWorkTimeout);
    settle();
}

void HeadlessHost::injectTouch(TouchPhase phase, Point point)
{
    Application::shared().sendTouch(phase, point);
    if (!m_options.realtime)
        awaitOutsideWork();
    else
        settle();
}

void HeadlessHost::injectKey(const Key& key)
{
    Application::shared().sendKey(key);
    if (!m_options.realtime)
        awaitOutsideWork();
    else
        settle();
}

void HeadlessHost::injectText(const std::string& text)
{
    Application::shared().insertText(text);
    if (!m_options.realtime)
        awaitOutsideWork();
    else
        settle();
}

void HeadlessHost::injectPointerMotion(Point point)
{
    ScriptHost::injectPointerMotion(point);
    settle();
}

void HeadlessHost::resizeScreen(Size size)
{
    ScriptHost::resizeScreen(size);
    settle();
}

void HeadlessHost::wait(double seconds, std::function<void()> then)
{
    if (!m_options.realtime) {
        runFor(seconds);
        then();
        return;
    }
    RunLoop::main().performAfterDelay(seconds, std::move(then));
}

std::shared_ptr<Image> HeadlessHost::snapshot()
{
    settle();
    cairo_surface_t* surface = Application::shared().compositeScreen(m_options.scale);
    return Image::fromSurface(surface, m_options.scale);
}

ErrorOr<void> HeadlessHost::screenshot(const std::string& path)
{
    auto image = snapshot();
    if (!image)
        return Error { kScreenshotErrorDomain, kScreenNotDrawn, "the screen could not be drawn" };
    if (!image->writePNG(path))
        return Error { kScreenshotErrorDomain, kCannotWriteScreenshot, "cannot write " + path };
    return {};
}
