#include "ads/core/PellarViewInternal.h"

#include "ads/core/PellarController.h"

PellarViewInternal::PellarViewInternal(const Rect& frame)
    : PellarView(frame)
{
}

PellarViewInternal::~PellarViewInternal()
{
    // The controller may outlive us for the rest of a call it is in.
    if (m_controller)
        m_controller->setView(nullptr);
}

void PellarViewInternal::setController(std::shared_ptr<PellarController> controller)
{
    if (m_controller && m_controller != controller)
        m_controller->setView(nullptr);
    m_controller = std::move(controller);
}

void PellarViewInternal::requestFreshAd()
{
    if (m_controller)
        m_controller->requestFreshAd();
}
