#pragma once

#include <glib.h>

#include <memory>
#include <utility>

// Sole ownership of a GLib-style value that is freed rather than
// unreferenced: strings from g_strdup, GErrors, iterators, descriptions.
// Each kind names its free function in a GUniqueDeleter specialisation;
// those of other libraries live beside the code that uses them.
template <typename T> struct GUniqueDeleter;

#define VANTREL_GUNIQUE_DELETER(Type, freeFunction)                                                                    \
    template <> struct GUniqueDeleter<Type> {                                                                          \
        void operator()(Type* value) const                                                                             \
        {                                                                                                              \
            if (value)                                                                                                 \
                freeFunction(value);                                                                                   \
        }                                                                                                              \
    }

VANTREL_GUNIQUE_DELETER(char, g_free);
VANTREL_GUNIQUE_DELETER(char*, g_strfreev);
VANTREL_GUNIQUE_DELETER(GError, g_error_free);
VANTREL_GUNIQUE_DELETER(GVariantIter, g_variant_iter_free);

template <typename T> using GUniquePtr = std::unique_ptr<T, GUniqueDeleter<T>>;

// For calls that answer through a `T**` out-parameter (a GError**, mostly):
// pass outPtr(), then read or take the result. What it held before is freed.
template <typename T> class GUniqueOutPtr {
public:
    GUniqueOutPtr() = default;
    GUniqueOutPtr(const GUniqueOutPtr&) = delete;
    GUniqueOutPtr& operator=(const GUniqueOutPtr&) = delete;
    ~GUniqueOutPtr() { reset(); }

    T** outPtr()
    {
        reset();
        return &m_ptr;
    }
    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    GUniquePtr<T> release() { return GUniquePtr<T>(std::exchange(m_ptr, nullptr)); }

private:
    void reset()
    {
        if (T* old = std::exchange(m_ptr, nullptr))
            GUniqueDeleter<T>()(old);
    }

    T* m_ptr { nullptr };
};
