#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The "key=value&key=value" text of a URL query, as ordered pairs.
class QueryString {
public:
    using Pairs = std::vector<std::pair<std::string, std::string>>;

    // "+" is a literal plus by default: our own ad requests escape with the
    // URL set, which leaves "+" as it is, so reading it as a space would change
    // the value. HTML forms write spaces as "+"; pass PlusIsSpace for those.
    enum class Plus { Literal, PlusIsSpace };

    // Splits on "&", then on the first "=" (a piece without one is a key with
    // an empty value; empty pieces are skipped) and unescapes key and value.
    // Pairs keep their order, duplicates included. A piece whose escapes are
    // malformed is kept as written rather than dropped.
    static Pairs parse(std::string_view query, Plus = Plus::Literal);

    // The inverse for well-behaved values: keys and values are escaped so that
    // "&", "=", "+", "#" and everything outside the unreserved set survive.
    static std::string build(const Pairs&);
};
