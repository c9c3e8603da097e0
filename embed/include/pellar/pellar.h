/* Pellar: ad banners for GTK 4 applications.
 *
 * Include only this header: #include <pellar/pellar.h>
 */
#pragma once

#define PELLAR_INSIDE
#include <pellar/pellar-banner.h>
#include <pellar/pellar-error.h>
#include <pellar/pellar-settings.h>
#include <pellar/pellar-version.h>
#undef PELLAR_INSIDE
