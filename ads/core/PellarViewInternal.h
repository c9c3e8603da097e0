#pragma once

#include "ads/core/PellarView.h"

#include <memory>

class PellarController;

// The ad view behind the public class: it owns the banner's controller, which
// lives exactly as long as the view.
class PellarViewInternal final : public PellarView {
public:
    explicit PellarViewInternal(const Rect& frame);
    ~PellarViewInternal() override;

    const std::shared_ptr<PellarController>& controller() const { return m_controller; }
    void setController(std::shared_ptr<PellarController>);

    void requestFreshAd() override;

private:
    std::shared_ptr<PellarController> m_controller;
};
