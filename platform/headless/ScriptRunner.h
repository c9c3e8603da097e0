#pragma once

#include "platform/headless/Script.h"

#include "platform/ui/graphics/Point.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ScriptHost;

// Runs a script's steps in order on a host. A step that fails (a label with
// nothing on screen, a screenshot that cannot be written) ends the run; the
// completion reports whether it succeeded and, if not, a message naming the line.
class ScriptRunner : public std::enable_shared_from_this<ScriptRunner> {
public:
    using Completion = std::function<void(bool succeeded, bool quitRequested, const std::string& message)>;

    ScriptRunner(Script, ScriptHost&);

    // Carries out the commands the application added to the language; an
    // error ends the run with its message.
    using CommandHandler = std::function<ErrorOr<void>(const std::string& name, const std::vector<std::string>&)>;
    void setCommandHandler(CommandHandler handler) { m_commandHandler = std::move(handler); }

    void run(Completion);
    bool isFinished() const { return m_finished; }

private:
    void proceed();
    void finish(bool ok, bool quit, const std::string& message);
    // What covers the labelled element at `point` (its description), or
    // nullopt when a tap there would reach it.
    static std::optional<std::string> coveringView(const std::string& label, Point point);

    Script m_script;
    ScriptHost& m_host;
    size_t m_next { 0 };
    bool m_finished { false };
    bool m_waiting { false };
    bool m_inLoop { false };
    Completion m_completion;
    CommandHandler m_commandHandler;
};
