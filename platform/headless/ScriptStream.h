#pragma once

#include "base/ErrorOr.h"
#include "platform/foundation/GRefPtr.h"
#include "platform/headless/Script.h"

#include <deque>
#include <functional>
#include <gio/gio.h>
#include <memory>
#include <string>
#include <vector>

class ScriptHost;
class ScriptRunner;

// Script commands read from a stream as they arrive (`--script -`: standard
// input), one at a time, each answered on `replies` with one line: "ok", or
// "error: " and why. A program that drives the app from outside (a desktop
// test sending real input) thus learns when a command such as a screenshot
// is done. The end of the stream, or `quit`, ends the run. One command exists
// only here: `where TEXT` answers "ok X Y WIDTH HEIGHT", the screen rectangle
// in points of the visible element labelled TEXT (as tap-label finds it).
class ScriptStream : public std::enable_shared_from_this<ScriptStream> {
public:
    using Completion = std::function<void(bool quitRequested)>;

    // Lines longer than this are refused rather than buffered.
    static constexpr size_t kMaximumLineLength = 4096;

    ScriptStream(GInputStream* commands, GOutputStream* replies, ScriptHost&);
    ~ScriptStream();

    // The application's own commands, as for a script file.
    void setCommandHandler(std::function<ErrorOr<void>(const std::string&, const std::vector<std::string>&)> handler)
    {
        m_commandHandler = std::move(handler);
    }

    void run(Completion);
    bool isFinished() const { return m_finished; }

private:
    void readMore();
    void received(const char* bytes, size_t length);
    void runNext();
    void reply(const std::string& line);
    static std::string where(const std::string& label);
    static constexpr const char* kWhereCommand = "where ";
    void finish(bool quit);

    GRefPtr<GInputStream> m_commands;
    GRefPtr<GOutputStream> m_replies;
    GRefPtr<GCancellable> m_cancellable;
    ScriptHost& m_host;
    std::string m_partial;
    bool m_discardingLongLine { false };
    std::deque<std::string> m_lines;
    std::shared_ptr<ScriptRunner> m_running;
    bool m_endOfInput { false };
    bool m_finished { false };
    Completion m_completion;
    std::function<ErrorOr<void>(const std::string&, const std::vector<std::string>&)> m_commandHandler;
};
