#include "app/defects/DefectScriptCommands.h"

#include "app/defects/DefectMarker.h"
#include "platform/headless/Script.h"

#include <charconv>

namespace {

std::optional<int> wholeNumber(const std::string& word)
{
    int value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

bool isPixel(const std::vector<std::string>& arguments)
{
    return wholeNumber(arguments[0]) && wholeNumber(arguments[1]);
}

} // namespace

void DefectScriptCommands::addToScripts()
{
    Script::addCommand({ "mark", 3,
        "mark X Y KIND (X Y whole device pixels; KIND hot, dead, stuck-red, stuck-green, "
        "stuck-blue or stuck-off)",
        [](const std::vector<std::string>& arguments) {
            return isPixel(arguments) && DefectMark::kindNamed(arguments[2]).has_value();
        } });
    Script::addCommand({ "unmark", 2, "unmark X Y (whole device pixels)", isPixel });
    Script::addCommand({ "export-report", Script::kRestOfLine, "export-report PATH", nullptr });
}

ErrorOr<void> DefectScriptCommands::run(
    DefectMarker& marker, const std::string& name, const std::vector<std::string>& arguments)
{
    if (name == "mark" && arguments.size() == 3) {
        auto x = wholeNumber(arguments[0]), y = wholeNumber(arguments[1]);
        auto kind = DefectMark::kindNamed(arguments[2]);
        if (x && y && kind)
            return marker.mark(*x, *y, *kind);
    } else if (name == "unmark" && arguments.size() == 2) {
        auto x = wholeNumber(arguments[0]), y = wholeNumber(arguments[1]);
        if (x && y)
            return marker.unmark(*x, *y);
    } else if (name == "export-report" && arguments.size() == 1) {
        return marker.exportReport(arguments[0]);
    }
    return Error { "DefectMarkerErrorDomain", 2, "cannot be carried out" };
}
