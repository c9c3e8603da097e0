#include "platform/headless/Script.h"

#include "platform/foundation/StringUtilities.h"
#include "platform/ui/views/Key.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <glib.h>
#include <sstream>

namespace {

bool readNumber(std::istringstream& in, double& out)
{
    std::string word;
    if (!(in >> word))
        return false;
    try {
        size_t used = 0;
        out = std::stod(word, &used);
        return used == word.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
}

bool atEnd(std::istringstream& in)
{
    std::string rest;
    return !(in >> rest);
}

std::vector<Script::Command>& addedCommands()
{
    static std::vector<Script::Command> commands;
    return commands;
}

const Script::Command* addedCommand(const std::string& name)
{
    for (auto& command : addedCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

} // namespace

void Script::addCommand(Command command)
{
    auto& commands = addedCommands();
    for (auto& existing : commands) {
        if (existing.name == command.name) {
            existing = std::move(command);
            return;
        }
    }
    commands.push_back(std::move(command));
}

void Script::removeAddedCommands()
{
    addedCommands().clear();
}

ErrorOr<Script> Script::parse(const std::string& text)
{
    Script script;
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    auto fail = [&](const std::string& message) {
        return Error { kErrorDomain, kUnreadableLine,
            "line " + std::to_string(number) + ": " + message + ": " + StringUtilities::trimmed(raw) };
    };
    while (std::getline(lines, raw)) {
        ++number;
        std::string line = StringUtilities::trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream in(line);
        std::string command;
        in >> command;
        using Kind = Step::Kind;
        auto point = [&](Kind kind) -> bool {
            double x, y;
            if (!readNumber(in, x) || !readNumber(in, y) || !atEnd(in))
                return false;
            script.m_steps.push_back({ kind, { x, y }, 0, {}, number });
            return true;
        };
        if (command == "tap" || command == "press" || command == "move" || command == "release" || command == "hover"
            || command == "right-click") {
            Kind kind = command == "right-click" ? Kind::SecondaryClick
                : command == "tap"               ? Kind::Tap
                : command == "press"             ? Kind::Press
                : command == "move"              ? Kind::Move
                : command == "hover"             ? Kind::Hover
                                                 : Kind::Release;
            if (!point(kind))
                return fail("expected two numbers");
        } else if (command == "resize") {
            double width, height;
            if (!readNumber(in, width) || !readNumber(in, height) || !atEnd(in) || width < 1 || height < 1
                || width > kLargestScreenSide || height > kLargestScreenSide)
                return fail("expected WIDTH HEIGHT in points, from 1 to 8192");
            script.m_steps.push_back({ Kind::Resize, { width, height }, 0, {}, number });
        } else if (command == "drag") {
            double x1, y1, x2, y2, seconds;
            if (!readNumber(in, x1) || !readNumber(in, y1) || !readNumber(in, x2) || !readNumber(in, y2)
                || !readNumber(in, seconds) || !atEnd(in) || seconds < 0 || seconds > 3600)
                return fail("expected X1 Y1 X2 Y2 SECONDS");
            script.m_steps.push_back({ Kind::Press, { x1, y1 }, 0, {}, number });
            int moves = std::max(1, static_cast<int>(std::ceil(seconds / kDragStepInterval - 1e-9)));
            for (int i = 1; i <= moves; ++i) {
                double t = static_cast<double>(i) / moves;
                script.m_steps.push_back({ Kind::Wait, {}, seconds / moves, {}, number });
                script.m_steps.push_back({ Kind::Move, { x1 + (x2 - x1) * t, y1 + (y2 - y1) * t }, 0, {}, number });
            }
            script.m_steps.push_back({ Kind::Release, { x2, y2 }, 0, {}, number });
        } else if (command == "tap-label") {
            std::string label = StringUtilities::trimmed(line.substr(command.size()));
            if (label.empty())
                return fail("expected a label");
            script.m_steps.push_back({ Kind::TapLabel, {}, 0, label, number });
        } else if (command == "key") {
            std::string name;
            if (!(in >> name) || !atEnd(in) || !Key::fromName(name))
                return fail("expected a key name");
            script.m_steps.push_back({ Kind::Key, {}, 0, name, number });
        } else if (command == "type") {
            // Everything after "type " is the text, inner and trailing spaces
            // included; only the line's own end is trimmed.
            std::string text = raw.substr(raw.find("type") + 4);
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            if (!text.empty() && (text[0] == ' ' || text[0] == '\t'))
                text.erase(0, 1);
            if (text.empty())
                return fail("expected text to type");
            script.m_steps.push_back({ Kind::Type, {}, 0, text, number });
        } else if (command == "wait") {
            double seconds;
            // A day is far longer than any script needs; more is surely a typo.
            if (!readNumber(in, seconds) || !atEnd(in) || seconds < 0 || seconds > 86400)
                return fail("expected SECONDS");
            script.m_steps.push_back({ Kind::Wait, {}, seconds, {}, number });
        } else if (command == "screenshot") {
            std::string path = StringUtilities::trimmed(line.substr(command.size()));
            if (path.empty())
                return fail("expected a path");
            script.m_steps.push_back({ Kind::Screenshot, {}, 0, path, number });
        } else if (command == "quit") {
            if (!atEnd(in))
                return fail("quit takes no arguments");
            script.m_steps.push_back({ Kind::Quit, {}, 0, {}, number });
        } else if (auto* added = addedCommand(command)) {
            std::vector<std::string> arguments;
            if (added->argumentCount == kRestOfLine) {
                std::string rest = StringUtilities::trimmed(line.substr(command.size()));
                if (!rest.empty())
                    arguments.push_back(rest);
            } else {
                for (std::string word; in >> word;)
                    arguments.push_back(word);
            }
            size_t wanted = added->argumentCount == kRestOfLine ? 1 : static_cast<size_t>(added->argumentCount);
            if (arguments.size() != wanted || (added->accepts && !added->accepts(arguments)))
                return fail("expected " + added->usage);
            script.m_steps.push_back({ Kind::Command, {}, 0, command, number, std::move(arguments) });
        } else {
            return fail("unknown command");
        }
    }
    return script;
}

ErrorOr<Script> Script::load(const std::string& path)
{
    // Say why: a folder or an unreadable file would otherwise read as an empty script.
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        return Error { kErrorDomain, kUnreadableFile, "is a folder, not a script file" };
    }
    std::ifstream in(path);
    if (!in) {
        return Error { kErrorDomain, kUnreadableFile, std::string("cannot read: ") + g_strerror(errno) };
    }
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return Error { kErrorDomain, kUnreadableFile, std::string("cannot read: ") + g_strerror(errno) };
    }
    return parse(text.str());
}
