#include <pellar/pellar.h>

#include <new>

namespace {

struct BannerState {
    GThread* thread { g_thread_self() };
};

} // namespace

struct _PellarBanner {
    GtkWidget parent_instance;
    BannerState state;
};

G_DEFINE_FINAL_TYPE(PellarBanner, pellar_banner, GTK_TYPE_WIDGET)

static void pellar_banner_init(PellarBanner* self)
{
    new (&self->state) BannerState();
}

static void pellar_banner_finalize(GObject* object)
{
    PELLAR_BANNER(object)->state.~BannerState();
    G_OBJECT_CLASS(pellar_banner_parent_class)->finalize(object);
}

static void pellar_banner_class_init(PellarBannerClass* bannerClass)
{
    G_OBJECT_CLASS(bannerClass)->finalize = pellar_banner_finalize;
}

/**
 * pellar_banner_new:
 * @publisher_id: the publisher id the ad service knows the application by
 *
 * Returns: (transfer floating): a new banner
 */
GtkWidget* pellar_banner_new(const char* publisher_id)
{
    g_return_val_if_fail(publisher_id && *publisher_id, nullptr);
    return GTK_WIDGET(g_object_new(PELLAR_TYPE_BANNER, nullptr));
}
