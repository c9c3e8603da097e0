#pragma once

#include "base/Error.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>

// A result or the error that prevented it, for operations whose interface is
// ours to choose (tools, loaders). Ignoring one is a compile-time warning.
template <typename T> class [[nodiscard]] ErrorOr {
public:
    ErrorOr(T value)
        : m_value(std::move(value))
    {
    }
    ErrorOr(Error error)
        : m_value(std::move(error))
    {
    }

    bool hasValue() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return hasValue(); }

    T& value() { return std::get<T>(m_value); }
    const T& value() const { return std::get<T>(m_value); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Takes the value out.
    T release() { return std::move(value()); }

    const Error& error() const { return std::get<Error>(m_value); }

private:
    std::variant<T, Error> m_value;
};

// The result of an operation that produces nothing but may fail.
template <> class [[nodiscard]] ErrorOr<void> {
public:
    ErrorOr() = default;
    ErrorOr(Error error)
        : m_error(std::move(error))
    {
    }

    bool hasValue() const { return !m_error; }
    explicit operator bool() const { return hasValue(); }
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};
