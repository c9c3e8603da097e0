#pragma once

#include "platform/ui/graphics/Size.h"

#include <functional>
#include <memory>
#include <string>

class Image;

// Decodes the images an ad server picks, on a worker thread so that drawing
// never waits for them, and refuses before decoding any image larger than
// its place can use. Counts the decodes in flight so that the ad knows when
// its images are complete.
class PellarImageDecoder final {
public:
    // Icons are refused above this side; banners above this factor times the
    // banner's pixel area at the screen's scale.
    static constexpr int kMaximumIconSide = 512;
    static constexpr double kBannerAreaFactor = 4;

    struct Limits {
        long long maxPixels;
        int maxDimension; // 0: no limit of its own
    };
    static Limits iconLimits();
    static Limits bannerLimits(Size bannerSize);

    // The reply comes on the main thread with the image, or null when the
    // bytes are not one within the limits; it does not come when `owner` is
    // gone by then. The owner holds this decoder.
    using Reply = std::function<void(std::shared_ptr<const Image>)>;
    void decode(std::string bytes, Limits, std::weak_ptr<const void> owner, Reply);

    int decodesInFlight() const { return m_decodesInFlight; }

private:
    int m_decodesInFlight { 0 };
};
