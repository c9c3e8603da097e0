#pragma once

#include "ads/core/PellarError.h"
#include "platform/ui/graphics/Rect.h"
#include "json/JSONValue.h"

#include <memory>

class PellarDelegate;
class PellarFlexAdDelegate;

// A banner the ad server describes element by element (the answer's "markup").
//
// This build cannot lay such banners out yet: building fails at once with
// kUnsupportedError and a log line, so an ad with a "markup" answer fails
// cleanly instead of showing nothing.
class PellarFlexAd final : public std::enable_shared_from_this<PellarFlexAd> {
public:
    static constexpr const char* kErrorDomain = "kPellarFlexAdErrorDomain";
    static constexpr int kUnsupportedError = -100;

    // Stores the description and both delegates (neither owned). The build
    // starts with buildFlexAd(), once the creator holds the result, so an
    // answer that comes at once finds the flexible ad already in place.
    static std::shared_ptr<PellarFlexAd> create(const JSONValue& description, std::weak_ptr<PellarFlexAdDelegate>,
        std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame);
    PellarFlexAd(const PellarFlexAd&) = delete;
    PellarFlexAd& operator=(const PellarFlexAd&) = delete;

    void buildFlexAd();

    const Rect& frame() const { return m_frame; }

private:
    PellarFlexAd(const JSONValue&, std::weak_ptr<PellarFlexAdDelegate>, std::weak_ptr<PellarDelegate>, const Rect&);

    std::weak_ptr<PellarFlexAdDelegate> m_delegate;
    std::weak_ptr<PellarDelegate> m_pellarDelegate;
    JSONValue m_decodedMarkup;
    Rect m_frame;
    bool m_started { false };
};
