#pragma once

#include <cstdint>

// What the answer asks the banner to show.
enum class PellarAdMedium : int32_t {
    Text = 0, // text banner with an icon-side picture
    Banner = 1, // one full image
    Search = 2, // search banner
};
