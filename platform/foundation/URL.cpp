#include "platform/foundation/URL.h"

#include <cstring>
#include <vector>

namespace {

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The characters a URL may carry literally anywhere: unreserved, reserved and
// the escape sign. "#" and the IPv6 brackets have their own, narrower rules.
bool isURLCharacter(char c)
{
    return isAlpha(c) || isDigit(c) || (c != '\0' && std::strchr("-_.!~*'();/?:@&=+$,%", c));
}

bool hasValidCharacters(std::string_view text)
{
    bool seenFragment = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '#') {
            if (seenFragment)
                return false;
            seenFragment = true;
            continue;
        }
        if (c == '[' || c == ']')
            continue; // allowed only around an IPv6 host; checked with the authority
        if (!isURLCharacter(c))
            return false;
        if (c == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))
                return false;
            i += 2;
        }
    }
    return true;
}

bool isValidScheme(std::string_view scheme)
{
    if (scheme.empty() || !isAlpha(scheme.front()))
        return false;
    for (char c : scheme) {
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool isValidIPLiteral(std::string_view inside)
{
    if (inside.empty())
        return false;
    for (char c : inside) {
        if (!isHexDigit(c) && c != ':' && c != '.')
            return false;
    }
    return true;
}

// RFC 3986, 5.2.4.
std::string removeDotSegments(std::string_view input)
{
    std::vector<std::string_view> output;
    bool absolute = !input.empty() && input.front() == '/';
    std::string_view rest = absolute ? input.substr(1) : input;
    bool trailingSlash = false;
    while (true) {
        size_t slash = rest.find('/');
        std::string_view segment = rest.substr(0, slash);
        bool last = slash == std::string_view::npos;
        if (segment == ".") {
            trailingSlash = true;
        } else if (segment == "..") {
            if (!output.empty())
                output.pop_back();
            trailingSlash = true;
        } else {
            output.push_back(segment);
            trailingSlash = false;
        }
        if (last)
            break;
        rest = rest.substr(slash + 1);
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < output.size(); ++i) {
        if (i)
            result += '/';
        result += output[i];
    }
    // "a/." and "a/.." name a directory, so keep the slash; "a/b" does not.
    if (trailingSlash && !output.empty() && !(output.size() == 1 && output.front().empty()))
        result += '/';
    return result;
}

} // namespace

std::optional<URL> URL::withString(std::string_view text)
{
    if (!hasValidCharacters(text))
        return std::nullopt;

    URL url;
    url.m_string = std::string(text);
    std::string_view rest = text;

    size_t fragmentStart = rest.find('#');
    if (fragmentStart != std::string_view::npos) {
        url.m_fragment = std::string(rest.substr(fragmentStart + 1));
        rest = rest.substr(0, fragmentStart);
    }
    size_t queryStart = rest.find('?');
    if (queryStart != std::string_view::npos) {
        url.m_query = std::string(rest.substr(queryStart + 1));
        rest = rest.substr(0, queryStart);
    }

    size_t colon = rest.find(':');
    size_t firstSlash = rest.find('/');
    if (colon != std::string_view::npos && (firstSlash == std::string_view::npos || colon < firstSlash)) {
        std::string_view scheme = rest.substr(0, colon);
        // Without a valid scheme, a colon in the first segment of a relative
        // path is ambiguous; refuse it rather than read it either way.
        if (!isValidScheme(scheme))
            return std::nullopt;
        url.m_scheme = std::string(scheme);
        rest = rest.substr(colon + 1);
    }

    if (rest.starts_with("//")) {
        rest = rest.substr(2);
        size_t authorityEnd = rest.find('/');
        std::string_view authority = rest.substr(0, authorityEnd);
        rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

        size_t at = authority.find('@');
        if (at != std::string_view::npos) {
            if (authority.find('@', at + 1) != std::string_view::npos)
                return std::nullopt;
            url.m_userInfo = std::string(authority.substr(0, at));
            authority = authority.substr(at + 1);
        }
        std::string_view host = authority;
        std::optional<std::string_view> portText;
        if (authority.starts_with('[')) {
            size_t close = authority.find(']');
            if (close == std::string_view::npos || !isValidIPLiteral(authority.substr(1, close - 1)))
                return std::nullopt;
            host = authority.substr(0, close + 1);
            std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after.front() != ':')
                    return std::nullopt;
                portText = after.substr(1);
            }
        } else {
            size_t portColon = authority.rfind(':');
            if (portColon != std::string_view::npos) {
                host = authority.substr(0, portColon);
                portText = authority.substr(portColon + 1);
            }
        }
        if (host.find_first_of("[]:") != std::string_view::npos && !host.starts_with('['))
            return std::nullopt;
        if (url.m_userInfo && url.m_userInfo->find_first_of("[]") != std::string::npos)
            return std::nullopt;
        url.m_host = std::string(host);
        if (portText) {
            if (portText->size() > 5)
                return std::nullopt;
            for (char c : *portText) {
                if (!isDigit(c))
                    return std::nullopt;
            }
            url.m_portText = std::string(*portText);
            if (!portText->empty()) {
                int port = std::stoi(*url.m_portText);
                if (port > 65535)
                    return std::nullopt;
                url.m_port = port;
            }
        }
    }

    url.m_path = std::string(rest);
    if (url.m_path.find_first_of("[]") != std::string::npos)
        return std::nullopt;
    if ((url.m_query && url.m_query->find_first_of("[]") != std::string::npos)
        || (url.m_fragment && url.m_fragment->find_first_of("[]") != std::string::npos))
        return std::nullopt;
    return url;
}

std::optional<URL> URL::withString(std::string_view text, const URL& base)
{
    auto reference = withString(text);
    if (!reference)
        return std::nullopt;
    return reference->resolvedAgainst(base);
}

std::optional<URL> URL::withComponents(const Components& components)
{
    std::optional<std::string> authority;
    if (components.host) {
        authority = components.userInfo ? *components.userInfo + "@" : "";
        *authority += *components.host;
        if (components.port)
            *authority += ":" + std::to_string(*components.port);
    } else if (components.userInfo || components.port) {
        return std::nullopt; // user or port without a host has nowhere to go
    }
    if (components.port && (*components.port < 0 || *components.port > 65535))
        return std::nullopt;

    auto url
        = withString(compose(components.scheme, authority, components.path, components.query, components.fragment));
    // A component that carried a delimiter ("?" in a path, "/" in a host) would
    // have landed somewhere else; refuse instead of changing the URL's meaning.
    if (!url || url->m_scheme != components.scheme || url->m_userInfo != components.userInfo
        || url->m_host != components.host || url->m_port != components.port || url->m_path != components.path
        || url->m_query != components.query || url->m_fragment != components.fragment)
        return std::nullopt;
    return url;
}

URL::Components URL::components() const
{
    return Components { m_scheme, m_userInfo, m_host, m_port, m_path, m_query, m_fragment };
}

std::optional<std::string> URL::authority() const
{
    if (!m_host)
        return std::nullopt;
    std::string authority = m_userInfo ? *m_userInfo + "@" : "";
    authority += *m_host;
    if (m_portText)
        authority += ":" + *m_portText;
    return authority;
}

std::string URL::compose(const std::optional<std::string>& scheme, const std::optional<std::string>& authority,
    std::string_view path, const std::optional<std::string>& query, const std::optional<std::string>& fragment)
{
    std::string text;
    if (scheme)
        text += *scheme + ":";
    if (authority)
        text += "//" + *authority;
    text += path;
    if (query)
        text += "?" + *query;
    if (fragment)
        text += "#" + *fragment;
    return text;
}

// RFC 3986, 5.2.2.
std::optional<URL> URL::resolvedAgainst(const URL& base) const
{
    // An absolute reference needs no base; any other needs an absolute one.
    if (!m_scheme && !base.isAbsolute())
        return std::nullopt;

    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    if (m_scheme) {
        scheme = m_scheme;
        authority = this->authority();
        path = removeDotSegments(m_path);
        query = m_query;
    } else {
        scheme = base.m_scheme;
        if (m_host) {
            authority = this->authority();
            path = removeDotSegments(m_path);
            query = m_query;
        } else {
            authority = base.authority();
            if (m_path.empty()) {
                path = base.m_path;
                query = m_query ? m_query : base.m_query;
            } else {
                if (m_path.front() == '/') {
                    path = removeDotSegments(m_path);
                } else if (base.m_host && base.m_path.empty()) {
                    path = removeDotSegments("/" + m_path);
                } else {
                    size_t lastSlash = base.m_path.rfind('/');
                    std::string merged = lastSlash == std::string::npos ? "" : base.m_path.substr(0, lastSlash + 1);
                    path = removeDotSegments(merged + m_path);
                }
                query = m_query;
            }
        }
    }
    return withString(compose(scheme, authority, path, query, m_fragment));
}
