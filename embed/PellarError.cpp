#include <pellar/pellar.h>

/**
 * pellar_error_quark:
 *
 * Returns: the quark of the [error@Pellar.Error] domain
 */
// The quark's name is one token: formatting must not space its hyphens.
// clang-format off
G_DEFINE_QUARK(pellar-error-quark, pellar_error)
// clang-format on

G_DEFINE_ENUM_TYPE(PellarError, pellar_error, G_DEFINE_ENUM_VALUE(PELLAR_ERROR_FAILED, "failed"),
    G_DEFINE_ENUM_VALUE(PELLAR_ERROR_NETWORK, "network"),
    G_DEFINE_ENUM_VALUE(PELLAR_ERROR_INVALID_ANSWER, "invalid-answer"),
    G_DEFINE_ENUM_VALUE(PELLAR_ERROR_NO_AD, "no-ad"))
