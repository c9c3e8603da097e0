#include "ads/core/PellarClickAction.h"

#include <array>
#include <utility>

PellarClickAction clickActionFromName(const std::optional<std::string_view>& name)
{
    static constexpr std::array<std::pair<std::string_view, PellarClickAction>, 7> kNames { {
        { "app", PellarClickAction::Store },
        { "store", PellarClickAction::Store },
        { "url", PellarClickAction::URL },
        { "canvas", PellarClickAction::Canvas },
        { "call", PellarClickAction::Call },
        { "contact", PellarClickAction::Contact },
        { "search", PellarClickAction::Search },
    } };
    if (!name)
        return PellarClickAction::Other;
    for (auto& [text, action] : kNames) {
        if (text == *name)
            return action;
    }
    return PellarClickAction::Other;
}
