#pragma once

#include <optional>
#include <string>
#include <string_view>

// A URL reference, absolute ("http://host:8080/a/b?x=1#top") or relative
// ("../b?x=1"), split into its components. Creation from text is strict in the
// way a platform URL-from-string is: a character outside the URL alphabet (a
// space, a quote, anything beyond ASCII), a "%" that does not start two hex
// digits, a second "#", a port that is not a number, or a colon in the first
// segment of a relative path all refuse the text instead of guessing. Escape
// free text with PercentEscaping first.
//
// Components are kept exactly as written (still escaped), so absoluteString()
// gives back the text the URL was made from.
class URL {
public:
    // What a URL is built from. Every text is already percent-escaped; a
    // component that is not a valid URL piece (a path holding "?", a host
    // holding "/", ...) makes withComponents() fail rather than change meaning.
    struct Components {
        std::optional<std::string> scheme;
        std::optional<std::string> userInfo;
        std::optional<std::string> host; // present: the URL has an authority ("//host")
        std::optional<int> port;
        std::string path;
        std::optional<std::string> query;
        std::optional<std::string> fragment;
    };

    // Creation
    static std::optional<URL> withString(std::string_view text);
    // The text taken relative to base (see resolvedAgainst); nullopt when the text is invalid.
    static std::optional<URL> withString(std::string_view text, const URL& base);
    static std::optional<URL> withComponents(const Components&);

    // Properties. A missing component and an empty one differ: "http://h/?"
    // has an empty query, "http://h/" none.
    const std::string& absoluteString() const { return m_string; }
    bool isAbsolute() const { return m_scheme.has_value(); }
    const std::optional<std::string>& scheme() const { return m_scheme; }
    bool hasAuthority() const { return m_host.has_value(); }
    const std::optional<std::string>& userInfo() const { return m_userInfo; }
    const std::optional<std::string>& host() const { return m_host; }
    const std::optional<int>& port() const { return m_port; }
    const std::string& path() const { return m_path; }
    const std::optional<std::string>& query() const { return m_query; }
    const std::optional<std::string>& fragment() const { return m_fragment; }
    Components components() const;

    // Operations
    // This reference resolved against base by the rules of RFC 3986 (dot
    // segments removed); nullopt when a relative reference meets a base that
    // is not absolute.
    std::optional<URL> resolvedAgainst(const URL& base) const;

    // Two URLs are equal when their texts are.
    bool operator==(const URL& other) const { return m_string == other.m_string; }

private:
    URL() = default;
    std::optional<std::string> authority() const;
    static std::string compose(const std::optional<std::string>& scheme, const std::optional<std::string>& authority,
        std::string_view path, const std::optional<std::string>& query, const std::optional<std::string>& fragment);

    std::string m_string;
    std::optional<std::string> m_scheme;
    std::optional<std::string> m_userInfo;
    std::optional<std::string> m_host;
    std::optional<int> m_port;
    std::optional<std::string> m_portText; // as written: "" for "host:", "080" for "host:080"
    std::string m_path;
    std::optional<std::string> m_query;
    std::optional<std::string> m_fragment;
};
