#include "ads/flex/PellarFlexAd.h"

#include "ads/core/PellarFlexAdDelegate.h"
#include "platform/foundation/Log.h"

std::shared_ptr<PellarFlexAd> PellarFlexAd::create(const JSONValue& description,
    std::weak_ptr<PellarFlexAdDelegate> delegate, std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame)
{
    return std::shared_ptr<PellarFlexAd>(
        new PellarFlexAd(description, std::move(delegate), std::move(pellarDelegate), frame));
}

PellarFlexAd::PellarFlexAd(const JSONValue& description, std::weak_ptr<PellarFlexAdDelegate> delegate,
    std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame)
    : m_delegate(std::move(delegate))
    , m_pellarDelegate(std::move(pellarDelegate))
    , m_decodedMarkup(description)
    , m_frame(frame)
{
}

void PellarFlexAd::buildFlexAd()
{
    if (m_started)
        return;
    m_started = true;
    Log::write("Pellar: Flexible ad answers are not supported by this build; the ad fails");
    m_decodedMarkup = JSONValue();
    auto protectedThis = shared_from_this();
    if (auto delegate = m_delegate.lock())
        delegate->flexAdDidFailLoadWithError(
            *this, PellarError { kErrorDomain, kUnsupportedError, "flexible ads are not supported" });
}
