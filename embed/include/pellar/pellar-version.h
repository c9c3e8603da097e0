#pragma once

#if !defined(PELLAR_INSIDE) && !defined(PELLAR_COMPILATION)
#error "Only <pellar/pellar.h> can be included directly."
#endif

/* Everything the library exports carries this mark; the rest stays inside. */
#ifdef PELLAR_COMPILATION
#define PELLAR_AVAILABLE_IN_ALL __attribute__((visibility("default"))) extern
#else
#define PELLAR_AVAILABLE_IN_ALL extern
#endif

#define PELLAR_MAJOR_VERSION 1
#define PELLAR_MINOR_VERSION 0
