#include "platform/ui/views/ViewController.h"

#include "platform/foundation/Log.h"
#include "platform/ui/views/InterfaceLoader.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/View.h"

ViewController::ViewController(std::string interfaceName)
    : m_interfaceName(std::move(interfaceName))
{
}

ViewController::~ViewController()
{
    if (m_view && m_view->viewController() == this)
        m_view->setViewController(nullptr);
}

std::shared_ptr<View> ViewController::view()
{
    if (!m_view) {
        loadView();
        if (!m_view)
            setView(View::make(Screen::mainScreen().applicationFrame()));
        viewDidLoad();
    }
    return m_view;
}

void ViewController::setView(std::shared_ptr<View> view)
{
    if (m_view && m_view->viewController() == this)
        m_view->setViewController(nullptr);
    m_view = std::move(view);
    if (m_view)
        m_view->setViewController(this);
}

void ViewController::loadView()
{
    if (m_interfaceName.empty()) {
        setView(View::make(Screen::mainScreen().applicationFrame()));
        return;
    }
    InterfaceLoader loader;
    if (!loader.loadNamed(m_interfaceName, *this))
        Log::writef(
            "Could not load the interface description %s: %s", m_interfaceName.c_str(), loader.errorMessage().c_str());
}

bool ViewController::setOutlet(const std::string& name, const std::shared_ptr<Responder>& object)
{
    if (name == "view") {
        setView(std::dynamic_pointer_cast<View>(object));
        return true;
    }
    return false;
}

Responder* ViewController::nextResponder() const
{
    return m_view ? m_view->superview() : nullptr;
}
