#pragma once

#if !defined(PELLAR_INSIDE) && !defined(PELLAR_COMPILATION)
#error "Only <pellar/pellar.h> can be included directly."
#endif

#include <glib.h>
#include <pellar/pellar-version.h>

G_BEGIN_DECLS

/* Process-wide settings. Each has a PELLAR_* environment variable that sets
 * it when the process starts; a call here overrides the variable. Call them
 * on the main thread, before the first banner is mapped. */

/**
 * pellar_set_application_id:
 * @application_id: (nullable): a reverse-DNS id such as "org.example.App", or
 *   %NULL to use the default application's id, else the program name
 *
 * Names the folders of Pellar's data and cache (under the XDG data and cache
 * folders) after the embedding application.
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_application_id(const char* application_id);

/**
 * pellar_get_application_id:
 *
 * Returns: (transfer none): the id Pellar's folders are named after
 */
PELLAR_AVAILABLE_IN_ALL
const char* pellar_get_application_id(void);

/**
 * pellar_set_store_hosts:
 * @hosts: (array zero-terminated=1) (nullable): the app store's web hosts,
 *   the primary one first; %NULL restores the default (PELLAR_STORE_HOSTS)
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_store_hosts(const char* const* hosts);

/**
 * pellar_set_redirector_host:
 * @host: (nullable): the affiliate link host whose links lead to the store;
 *   %NULL restores the default (PELLAR_REDIRECTOR_HOST)
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_redirector_host(const char* host);

/**
 * pellar_set_map_prefixes:
 * @prefixes: (array zero-terminated=1) (nullable): host prefixes of the map
 *   service; %NULL restores the default (PELLAR_MAP_PREFIXES)
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_map_prefixes(const char* const* prefixes);

/**
 * pellar_set_video_hosts:
 * @hosts: (array zero-terminated=1) (nullable): hosts of the video service;
 *   %NULL restores the default (PELLAR_VIDEO_HOSTS)
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_video_hosts(const char* const* hosts);

/**
 * pellar_set_minimum_refresh_interval:
 * @seconds: the shortest time between two ads of one banner, at least 1;
 *   the default is 30 (PELLAR_MINIMUM_REFRESH_INTERVAL)
 */
PELLAR_AVAILABLE_IN_ALL
void pellar_set_minimum_refresh_interval(int seconds);

G_END_DECLS
