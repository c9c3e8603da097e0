#include "ads/core/PellarView.h"

#include "ads/core/PellarController.h"
#include "ads/core/PellarViewInternal.h"
#include "platform/ui/views/AutoresizingMask.h"

std::shared_ptr<PellarView> PellarView::requestAdWithDelegate(std::weak_ptr<PellarDelegate> delegate)
{
    auto view = View::make<PellarViewInternal>(Rect { 0, 0, kWidth, kHeight });
    keepSizeFixed(*view);
    view->setBackgroundColor(Color::clear());
    auto controller = PellarController::create();
    controller->setView(view.get());
    controller->setDelegate(std::move(delegate));
    view->setController(controller);
    controller->startFirstAdRequest();
    return view;
}

void PellarView::keepSizeFixed(View& view)
{
    // The banner keeps its size whatever its superview does; its margins are
    // the host's to choose.
    view.setAutoresizingMask(view.autoresizingMask() & ~(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight));
}

PellarView::PellarView(const Rect& frame)
    : View(frame)
{
    setAccessibilityLabel(std::string(kAccessibilityLabel));
}

PellarView::~PellarView() = default;
