#pragma once

#if !defined(PELLAR_INSIDE) && !defined(PELLAR_COMPILATION)
#error "Only <pellar/pellar.h> can be included directly."
#endif

#include <glib-object.h>
#include <pellar/pellar-version.h>

G_BEGIN_DECLS

/**
 * PELLAR_ERROR:
 *
 * The error domain of the ads a [class@Pellar.Banner] could not get.
 */
#define PELLAR_ERROR (pellar_error_quark())

/**
 * PellarError:
 * @PELLAR_ERROR_FAILED: any other failure
 * @PELLAR_ERROR_NETWORK: the ad service could not be reached, or a download
 *   did not finish in time
 * @PELLAR_ERROR_INVALID_ANSWER: the ad service answered with something that is
 *   not a valid ad
 * @PELLAR_ERROR_NO_AD: the ad service has no ad to show now
 *
 * Why a banner got no ad; the codes of the [error@Pellar.Error] domain.
 */
typedef enum {
    PELLAR_ERROR_FAILED,
    PELLAR_ERROR_NETWORK,
    PELLAR_ERROR_INVALID_ANSWER,
    PELLAR_ERROR_NO_AD,
} PellarError;

PELLAR_AVAILABLE_IN_ALL
GQuark pellar_error_quark(void);

#define PELLAR_TYPE_ERROR (pellar_error_get_type())
PELLAR_AVAILABLE_IN_ALL
GType pellar_error_get_type(void) G_GNUC_CONST;

G_END_DECLS
