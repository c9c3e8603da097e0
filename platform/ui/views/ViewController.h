#pragma once

#include "platform/ui/graphics/Size.h"
#include "platform/ui/views/Responder.h"

#include <memory>
#include <string>

class View;

// Manages one screen's view. The view is made on first use: from the named
// interface description when there is one (its objects are connected to this
// controller's outlets and actions), otherwise as a plain view over the
// application frame; then viewDidLoad runs.
class ViewController : public Responder {
public:
    explicit ViewController(std::string interfaceName = {});
    ~ViewController() override;

    const std::string& interfaceName() const { return m_interfaceName; }

    // The view, loaded on first use.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return m_view != nullptr; }
    void setView(std::shared_ptr<View>);

    const std::string& title() const { return m_title; }
    void setTitle(std::string t) { m_title = std::move(t); }

    // Loading and appearance
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(bool) { }
    virtual void viewDidAppear(bool) { }
    virtual void viewWillDisappear(bool) { }
    virtual void viewDidDisappear(bool) { }
    virtual void didReceiveMemoryWarning() { }
    // The view's size changed (after its subviews followed their masks).
    virtual void viewDidChangeSize(Size /*oldSize*/) { }
    // Called on the objects of an interface description once it has been loaded.
    virtual void awakeFromInterface() { }

    // Outlets named in an interface description are handed over here; answers
    // whether the name is known. The base knows "view".
    virtual bool setOutlet(const std::string& name, const std::shared_ptr<Responder>& object);

    Responder* nextResponder() const override;

private:
    std::string m_interfaceName;
    std::shared_ptr<View> m_view;
    std::string m_title;
};
