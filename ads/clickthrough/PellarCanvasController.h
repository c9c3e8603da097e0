#pragma once

#include "ads/clickthrough/PellarModalViewController.h"

#include <memory>
#include <string>

class PellarCanvasWebView;
class URL;

// The canvas screen a "canvas" ad opens: a 320 × 295 box holding the ad
// service's canvas page, in the middle of the screen over the dark
// background that grew out of the banner. Once the box is shown the
// background darkens fully. The page closes the screen through its bridge,
// and so does a page that fails to load or is not the canvas page.
class PellarCanvasController final : public PellarModalViewController {
public:
    static constexpr double kCanvasWidth = 320;
    static constexpr double kCanvasHeight = 295;
    static constexpr const char* kDarkenBackgroundAnimationID = "DarkenBackground";
    static constexpr double kDarkenDuration = 0.5;
    // The platform's number for the upright portrait orientation.
    static constexpr int kPortraitOrientation = 1;

    static std::shared_ptr<PellarCanvasController> create();
    ~PellarCanvasController() override;

    void presentCanvasFromView(
        std::shared_ptr<PellarView> view, const URL&, const std::string& title, std::weak_ptr<PellarDelegate> delegate);

    // PellarModalViewController
    void loadViewWithBounds(const Rect&) override;
    void landingPageDidAppear() override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

    const std::shared_ptr<PellarCanvasWebView>& canvas() const { return m_canvas; }

private:
    PellarCanvasController() = default;

    std::shared_ptr<PellarCanvasWebView> m_canvas;
};
