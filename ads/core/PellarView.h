#pragma once

#include "platform/ui/views/View.h"

#include <memory>
#include <string>

class PellarDelegate;

// The ad library's public view: a 320 × 48 banner that a host asks for with
// requestAdWithDelegate() and places in its own view tree once told that the
// first ad has arrived. The host must outlive the view. Every instance is a
// PellarViewInternal, which owns the banner's controller.
class PellarView : public View {
public:
    static constexpr const char* kVersion = "20091130";
    static constexpr double kWidth = 320;
    static constexpr double kHeight = 48;
    static constexpr const char* kAccessibilityLabel = "Advertisement";

    // A new ad view whose first ad request has already started. It is not
    // in any view tree yet.
    static std::shared_ptr<PellarView> requestAdWithDelegate(std::weak_ptr<PellarDelegate>);
    // Asks for a fresh ad; the controller may decline (see PellarController).
    virtual void requestFreshAd() { }
    static std::string version() { return kVersion; }
    // Clears the flexible width and height of an ad view's autoresizing mask.
    static void keepSizeFixed(View&);

    explicit PellarView(const Rect& frame);
    ~PellarView() override;
};
