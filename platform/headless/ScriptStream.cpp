#include "platform/headless/ScriptStream.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/foundation/RunLoop.h"
#include "platform/headless/ScriptRunner.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr gsize kReadSize = 4096;

} // namespace

ScriptStream::ScriptStream(GInputStream* commands, GOutputStream* replies, ScriptHost& host)
    : m_commands(commands)
    , m_replies(replies)
    , m_cancellable(adoptGRef(g_cancellable_new()))
    , m_host(host)
{
}

ScriptStream::~ScriptStream()
{
    g_cancellable_cancel(m_cancellable.get());
}

void ScriptStream::run(Completion completion)
{
    m_completion = std::move(completion);
    readMore();
}

void ScriptStream::readMore()
{
    if (m_endOfInput || m_finished)
        return;
    auto* weak = new std::weak_ptr<ScriptStream>(weak_from_this());
    g_input_stream_read_bytes_async(
        m_commands.get(), kReadSize, G_PRIORITY_DEFAULT, m_cancellable.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::weak_ptr<ScriptStream>> weak(static_cast<std::weak_ptr<ScriptStream>*>(data));
            GUniqueOutPtr<GError> error;
            auto bytes = adoptGRef(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, error.outPtr()));
            auto self = weak->lock();
            if (!self)
                return;
            gsize length = 0;
            auto* text = bytes ? static_cast<const char*>(g_bytes_get_data(bytes.get(), &length)) : nullptr;
            if (!text || length == 0) {
                // The end of the input (or a broken pipe): what was sent still runs.
                self->m_endOfInput = true;
                if (!self->m_partial.empty() && !self->m_discardingLongLine)
                    self->m_lines.push_back(std::exchange(self->m_partial, {}));
                self->runNext();
                return;
            }
            self->received(text, length);
            self->readMore();
        },
        weak);
}

void ScriptStream::received(const char* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        char c = bytes[i];
        if (c == '\n') {
            if (m_discardingLongLine)
                reply("error: line longer than " + std::to_string(kMaximumLineLength) + " bytes");
            else
                m_lines.push_back(std::exchange(m_partial, {}));
            m_partial.clear();
            m_discardingLongLine = false;
        } else if (!m_discardingLongLine) {
            m_partial.push_back(c);
            if (m_partial.size() > kMaximumLineLength) {
                m_partial.clear();
                m_discardingLongLine = true;
            }
        }
    }
    runNext();
}

void ScriptStream::runNext()
{
    if (m_finished || m_running)
        return;
    while (!m_lines.empty()) {
        std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        if (line.rfind(kWhereCommand, 0) == 0) {
            reply(where(line.substr(std::strlen(kWhereCommand))));
            continue;
        }
        auto script = Script::parse(line);
        if (!script) {
            reply("error: " + script.error().message);
            continue;
        }
        if (script->steps().empty()) {
            reply("ok");
            continue;
        }
        m_running = std::make_shared<ScriptRunner>(script.release(), m_host);
        if (m_commandHandler)
            m_running->setCommandHandler(m_commandHandler);
        std::weak_ptr<ScriptStream> weak = weak_from_this();
        // The runner may finish before run() returns (nothing to wait for).
        auto runner = m_running;
        runner->run([weak](bool ok, bool quit, const std::string& message) {
            // Answered from a later pass: the runner is still on the stack.
            RunLoop::main().post([weak, ok, quit, message] {
                auto self = weak.lock();
                if (!self)
                    return;
                self->m_running = nullptr;
                self->reply(ok ? std::string("ok") : "error: " + message);
                if (quit)
                    self->finish(true);
                else
                    self->runNext();
            });
        });
        return;
    }
    if (m_endOfInput)
        finish(false);
}

std::string ScriptStream::where(const std::string& label)
{
    // What a person sees: an element covered by an alert is not found.
    Rect screen = Screen::mainScreen().bounds();
    for (auto& [text, frame] : Application::shared().accessibleElementsOnScreen(false)) {
        // As tap-label: an element off the screen's edge is not the one.
        if (text == label && screen.contains(frame.center())) {
            char answer[128];
            std::snprintf(answer, sizeof answer, "ok %.1f %.1f %.1f %.1f", frame.minX(), frame.minY(), frame.width(),
                frame.height());
            return answer;
        }
    }
    return "error: nothing labelled \"" + label + "\" on screen";
}

void ScriptStream::reply(const std::string& line)
{
    std::string text = line + "\n";
    // Replies are short and the reader waits for each: written at once.
    g_output_stream_write_all(m_replies.get(), text.data(), text.size(), nullptr, nullptr, nullptr);
    g_output_stream_flush(m_replies.get(), nullptr, nullptr);
}

void ScriptStream::finish(bool quit)
{
    if (m_finished)
        return;
    m_finished = true;
    g_cancellable_cancel(m_cancellable.get());
    if (m_completion) {
        auto completion = std::move(m_completion);
        completion(quit);
    }
}
