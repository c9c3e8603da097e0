#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// What a click on an ad does once the server has recorded it, read once
// from the answer's action name. Names nobody handles, and a missing name,
// are Other: the click's link goes to the system's URL handler.
enum class PellarClickAction : int32_t {
    Other = 0,
    Store = 1, // "app" or "store": a store link, cleaned of redirects
    URL = 2,
    Canvas = 3,
    Call = 4,
    Contact = 5,
    Search = 6,
};

// The action for an answer's action name; matching is exact (case included).
PellarClickAction clickActionFromName(const std::optional<std::string_view>& name);
