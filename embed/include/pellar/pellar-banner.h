#pragma once

#if !defined(PELLAR_INSIDE) && !defined(PELLAR_COMPILATION)
#error "Only <pellar/pellar.h> can be included directly."
#endif

#include <gtk/gtk.h>
#include <pellar/pellar-version.h>

G_BEGIN_DECLS

#define PELLAR_TYPE_BANNER (pellar_banner_get_type())
PELLAR_AVAILABLE_IN_ALL
G_DECLARE_FINAL_TYPE(PellarBanner, pellar_banner, PELLAR, BANNER, GtkWidget)

PELLAR_AVAILABLE_IN_ALL
GtkWidget* pellar_banner_new(const char* publisher_id);

PELLAR_AVAILABLE_IN_ALL
void pellar_banner_request_ad(PellarBanner* self);

/* Where ads come from. */
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_publisher_id(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_publisher_id(PellarBanner* self, const char* publisher_id);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_ad_server_url(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_ad_server_url(PellarBanner* self, const char* url);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_media_host(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_media_host(PellarBanner* self, const char* url);
PELLAR_AVAILABLE_IN_ALL
gboolean pellar_banner_get_test_mode(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_test_mode(PellarBanner* self, gboolean test_mode);
PELLAR_AVAILABLE_IN_ALL
int pellar_banner_get_refresh_interval(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_refresh_interval(PellarBanner* self, int seconds);

/* Targeting, sent with each request. */
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_keywords(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_keywords(PellarBanner* self, const char* keywords);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_search_string(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_search_string(PellarBanner* self, const char* search_string);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_postal_code(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_postal_code(PellarBanner* self, const char* postal_code);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_area_code(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_area_code(PellarBanner* self, const char* area_code);
PELLAR_AVAILABLE_IN_ALL
const char* pellar_banner_get_gender(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_gender(PellarBanner* self, const char* gender);
PELLAR_AVAILABLE_IN_ALL
GDateTime* pellar_banner_get_date_of_birth(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_date_of_birth(PellarBanner* self, GDateTime* date_of_birth);
PELLAR_AVAILABLE_IN_ALL
gboolean pellar_banner_get_location_allowed(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_location_allowed(PellarBanner* self, gboolean allowed);

/* Appearance. */
PELLAR_AVAILABLE_IN_ALL
const GdkRGBA* pellar_banner_get_background_color(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_background_color(PellarBanner* self, const GdkRGBA* color);
PELLAR_AVAILABLE_IN_ALL
const GdkRGBA* pellar_banner_get_primary_text_color(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_primary_text_color(PellarBanner* self, const GdkRGBA* color);
PELLAR_AVAILABLE_IN_ALL
const GdkRGBA* pellar_banner_get_secondary_text_color(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_secondary_text_color(PellarBanner* self, const GdkRGBA* color);
PELLAR_AVAILABLE_IN_ALL
gboolean pellar_banner_get_gray_spinner(PellarBanner* self);
PELLAR_AVAILABLE_IN_ALL
void pellar_banner_set_gray_spinner(PellarBanner* self, gboolean gray_spinner);

G_END_DECLS
