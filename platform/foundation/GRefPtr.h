#pragma once

#include <glib-object.h>

#include <utility>

// Holds one reference to a reference-counted GLib-style object and drops it
// when it goes, so no code path can leak or double-free one by hand.
//
// GObject types need nothing more. Other kinds (GBytes, GUri, Cairo's
// objects, ...) name their ref/unref pair in a GRefPtrTraits specialisation;
// those of other libraries are declared here and defined beside the code that
// uses them (platform/ui/graphics/CairoRefPtr.h), so using one without its
// definition fails to compile instead of calling g_object_unref on it.
template <typename T> struct GRefPtrTraits {
    static T* ref(T* object) { return static_cast<T*>(g_object_ref(object)); }
    static void unref(T* object) { g_object_unref(object); }
};

#define VANTREL_GREF_TRAITS(Type, refFunction, unrefFunction)                                                          \
    template <> struct GRefPtrTraits<Type> {                                                                           \
        static Type* ref(Type* object) { return refFunction(object); }                                                 \
        static void unref(Type* object) { unrefFunction(object); }                                                     \
    }

VANTREL_GREF_TRAITS(GBytes, g_bytes_ref, g_bytes_unref);
VANTREL_GREF_TRAITS(GUri, g_uri_ref, g_uri_unref);
VANTREL_GREF_TRAITS(GMainLoop, g_main_loop_ref, g_main_loop_unref);
VANTREL_GREF_TRAITS(GMainContext, g_main_context_ref, g_main_context_unref);
VANTREL_GREF_TRAITS(GSource, g_source_ref, g_source_unref);
VANTREL_GREF_TRAITS(GVariant, g_variant_ref, g_variant_unref);
VANTREL_GREF_TRAITS(GHmac, g_hmac_ref, g_hmac_unref);

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;
template <> struct GRefPtrTraits<cairo_t>;
template <> struct GRefPtrTraits<cairo_surface_t>;
template <> struct GRefPtrTraits<cairo_pattern_t>;

template <typename T> class GRefPtr {
public:
    GRefPtr() = default;
    GRefPtr(std::nullptr_t) { }
    // Takes a new reference of its own.
    explicit GRefPtr(T* object)
        : m_ptr(object ? GRefPtrTraits<T>::ref(object) : nullptr)
    {
    }
    GRefPtr(const GRefPtr& other)
        : GRefPtr(other.m_ptr)
    {
    }
    GRefPtr(GRefPtr&& other) noexcept
        : m_ptr(std::exchange(other.m_ptr, nullptr))
    {
    }
    ~GRefPtr() { clear(); }

    GRefPtr& operator=(GRefPtr other) noexcept
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    // Takes over the reference a creating call ("_new", "_create", a
    // transfer-full answer) gave the caller.
    static GRefPtr adopt(T* object)
    {
        GRefPtr result;
        result.m_ptr = object;
        return result;
    }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // Hands the reference to a call that takes it over.
    [[nodiscard]] T* leak() { return std::exchange(m_ptr, nullptr); }
    void clear()
    {
        if (T* old = std::exchange(m_ptr, nullptr))
            GRefPtrTraits<T>::unref(old);
    }

    bool operator==(const GRefPtr& other) const { return m_ptr == other.m_ptr; }
    bool operator==(std::nullptr_t) const { return !m_ptr; }

private:
    T* m_ptr { nullptr };
};

template <typename T> GRefPtr<T> adoptGRef(T* object)
{
    return GRefPtr<T>::adopt(object);
}
