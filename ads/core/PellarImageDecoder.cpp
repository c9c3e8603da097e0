#include "ads/core/PellarImageDecoder.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Screen.h"

#include <algorithm>

PellarImageDecoder::Limits PellarImageDecoder::iconLimits()
{
    return { Image::kMaxPixels, kMaximumIconSide };
}

PellarImageDecoder::Limits PellarImageDecoder::bannerLimits(Size bannerSize)
{
    double scale = Screen::mainScreen().scale();
    double pixels = kBannerAreaFactor * bannerSize.width * scale * bannerSize.height * scale;
    return { std::max<long long>(1, static_cast<long long>(pixels)), 0 };
}

void PellarImageDecoder::decode(std::string bytes, Limits limits, std::weak_ptr<const void> owner, Reply reply)
{
    ++m_decodesInFlight;
    RunLoop::main().performInBackground(
        [bytes = std::move(bytes), limits]() -> std::shared_ptr<const Image> {
            return Image::decode(bytes, 1.0, limits.maxPixels, limits.maxDimension);
        },
        [this, owner = std::move(owner), reply = std::move(reply)](std::shared_ptr<const Image> image) {
            auto strongOwner = owner.lock();
            if (!strongOwner)
                return;
            --m_decodesInFlight;
            reply(std::move(image));
        });
}
