#include "platform/headless/ScriptRunner.h"

#include "platform/headless/ScriptHost.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <cmath>
#include <glib.h>

ScriptRunner::ScriptRunner(Script script, ScriptHost& host)
    : m_script(std::move(script))
    , m_host(host)
{
}

void ScriptRunner::run(Completion completion)
{
    m_completion = std::move(completion);
    proceed();
}

void ScriptRunner::finish(bool ok, bool quit, const std::string& message)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_completion) {
        auto completion = std::move(m_completion);
        completion(ok, quit, message);
    }
}

std::optional<std::string> ScriptRunner::coveringView(const std::string& label, Point point)
{
    std::shared_ptr<Window> window;
    View* hit = Application::shared().hitTest(point, &window);
    if (!hit)
        return std::nullopt;
    // The labelled element belongs to the view that takes the touch or to one
    // of its superviews (a bar button belongs to its bar, a label passes
    // touches to its superview): then nothing covers it.
    for (View* view = hit; view; view = view->superview()) {
        for (auto& element : view->accessibleElements()) {
            if (element.label != label)
                continue;
            Rect inWindow = view->convertRectToView(element.frame, nullptr);
            Point onScreen = window->convertPointToScreen(inWindow.center());
            if (std::abs(onScreen.x - point.x) < 0.5 && std::abs(onScreen.y - point.y) < 0.5)
                return std::nullopt;
        }
    }
    if (window && window->windowLevel() >= Window::kLevelAlert)
        return std::string("an alert");
    for (View* view = hit; view; view = view->superview()) {
        if (auto text = view->accessibilityText(); text && !text->empty())
            return "\"" + *text + "\"";
    }
    return std::string("another view");
}

void ScriptRunner::proceed()
{
    // Waits that finish at once (virtual time) continue this loop instead of
    // recursing, so a long script cannot exhaust the stack.
    if (m_inLoop) {
        m_waiting = false;
        return;
    }
    m_inLoop = true;
    auto protectedThis = shared_from_this();
    while (!m_finished && m_next < m_script.steps().size()) {
        const auto& step = m_script.steps()[m_next++];
        std::string where = "line " + std::to_string(step.line) + ": ";
        using Kind = Script::Step::Kind;
        switch (step.kind) {
        case Kind::Press:
            m_host.injectTouch(TouchPhase::Began, step.point);
            break;
        case Kind::Move:
            m_host.injectTouch(TouchPhase::Moved, step.point);
            break;
        case Kind::Release:
            m_host.injectTouch(TouchPhase::Ended, step.point);
            break;
        case Kind::Hover:
            m_host.injectPointerMotion(step.point);
            break;
        case Kind::Resize:
            m_host.resizeScreen({ step.point.x, step.point.y });
            break;
        case Kind::Tap:
            m_host.injectTouch(TouchPhase::Began, step.point);
            m_host.injectTouch(TouchPhase::Ended, step.point);
            break;
        case Kind::SecondaryClick:
            Application::shared().sendSecondaryClick(step.point);
            break;
        case Kind::TapLabel: {
            Rect screen = Screen::mainScreen().bounds();
            std::optional<Point> target;
            // Covered elements are found too, so the failure can say what covers them.
            for (auto& [label, frame] : Application::shared().accessibleElementsOnScreen(true)) {
                Point center = frame.center();
                if (label == step.text && screen.contains(center)) {
                    target = center;
                    break;
                }
            }
            if (!target) {
                finish(false, false, where + "tap-label: nothing labelled \"" + step.text + "\" on screen");
                break;
            }
            // A user could not tap what another view or an alert covers; a
            // script must not either.
            if (auto covering = coveringView(step.text, *target)) {
                finish(false, false, where + "tap-label: \"" + step.text + "\" is covered by " + *covering);
                break;
            }
            m_host.injectTouch(TouchPhase::Began, *target);
            m_host.injectTouch(TouchPhase::Ended, *target);
            break;
        }
        case Kind::Key:
            if (auto key = Key::fromName(step.text))
                m_host.injectKey(*key);
            break;
        case Kind::Type: {
            // One character at a time, each settled before the next, as typed.
            const std::string& text = step.text;
            for (size_t i = 0; i < text.size();) {
                size_t length = g_utf8_skip[static_cast<unsigned char>(text[i])];
                m_host.injectText(text.substr(i, length));
                i += length;
            }
            break;
        }
        case Kind::Wait: {
            m_waiting = true;
            std::weak_ptr<ScriptRunner> weakThis = weak_from_this();
            m_host.wait(step.seconds, [weakThis] {
                if (auto self = weakThis.lock())
                    self->proceed();
            });
            if (m_waiting) {
                // Real time: the host calls back later.
                m_inLoop = false;
                return;
            }
            break;
        }
        case Kind::Screenshot: {
            if (auto written = m_host.screenshot(step.text); !written)
                finish(false, false, where + "screenshot: " + written.error().message);
            break;
        }
        case Kind::Quit:
            finish(true, true, {});
            break;
        case Kind::Command: {
            if (!m_commandHandler) {
                finish(false, false, where + step.text + ": not available here");
                break;
            }
            if (auto done = m_commandHandler(step.text, step.arguments); !done)
                finish(false, false, where + step.text + ": " + done.error().message);
            break;
        }
        }
    }
    m_inLoop = false;
    if (!m_finished && m_next >= m_script.steps().size())
        finish(true, false, {});
}
