#pragma once

#include <cstdint>

// The size class an ad is requested for; the server hears it as "ad_type".
enum class PellarAdFormat : int32_t {
    Bar = 0,
    FullScreen = 1,
};
