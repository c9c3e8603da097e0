#include "platform/ui/views/InterfaceLoader.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/StandardInterfaceClasses.h"
#include "platform/ui/views/InterfaceProperties.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/ViewController.h"
#include "json/JSONDeserializer.h"

#include <fstream>
#include <iterator>

namespace {

std::map<std::string, InterfaceLoader::Factory>& registry()
{
    static std::map<std::string, InterfaceLoader::Factory> classes = [] {
        std::map<std::string, InterfaceLoader::Factory> standard;
        for (auto& [name, factory] : StandardInterfaceClasses::all())
            standard[name] = std::move(factory);
        return standard;
    }();
    return classes;
}

std::string stringFor(const JSONValue& d, std::string_view key, std::string fallback = {})
{
    auto v = d.find(key);
    return v && v->isString() ? std::string(v->stringValue()) : fallback;
}

unsigned eventFrom(const std::string& name)
{
    if (name == "valueChanged")
        return ControlEventValueChanged;
    if (name == "touchDown")
        return ControlEventTouchDown;
    if (name == "touchUpOutside")
        return ControlEventTouchUpOutside;
    return ControlEventTouchUpInside;
}

} // namespace

void InterfaceLoader::registerClass(const std::string& name, Factory factory)
{
    registry()[name] = std::move(factory);
}

bool InterfaceLoader::loadNamed(const std::string& name, ViewController& owner)
{
    auto path = Bundle::mainBundle().pathForResource(name, "json");
    if (!path) {
        m_error = "no resource " + name + ".json";
        return false;
    }
    std::ifstream in(*path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    JSONError error;
    auto description = JSONDeserializer().deserializeAsDictionary(text, &error);
    if (!description) {
        m_error = name + ".json: " + error.message;
        return false;
    }
    return load(*description, owner);
}

void InterfaceLoader::configureView(View& view, const JSONValue& d)
{
    view.applyInterfaceProperties(InterfaceProperties(
        d, [this](const std::string& id, std::shared_ptr<Responder> object) { m_objects[id] = std::move(object); }));

    if (auto list = d.find("subviews"); list && list->isArray()) {
        for (size_t i = 0; i < list->size(); ++i) {
            auto child = std::dynamic_pointer_cast<View>(build((*list)[i]));
            if (child)
                view.addSubview(child);
        }
    }
    // A screen's root view takes the application frame as it is when the
    // description loads: the whole screen once the status bar is hidden. Last,
    // so its subviews follow their masks from the frames they were drawn in.
    if (auto v = d.find("fillsApplicationFrame"); v && v->boolValue())
        view.setFrame(Screen::mainScreen().applicationFrame());
}

std::shared_ptr<Responder> InterfaceLoader::build(const JSONValue& d)
{
    if (!d.isDictionary())
        return nullptr;
    std::string cls = stringFor(d, "class", "View");
    std::shared_ptr<Responder> object;
    if (auto it = registry().find(cls); it != registry().end()) {
        object = it->second(d);
    } else {
        // A class this program does not have: a stand-in of the same kind keeps
        // the rest of the description working.
        Log::writef("Interface description names the unknown class %s", cls.c_str());
        object = d.find("frame") ? std::static_pointer_cast<Responder>(View::make())
                                 : std::static_pointer_cast<Responder>(std::make_shared<ViewController>());
    }
    if (!object)
        return nullptr;
    if (auto* view = dynamic_cast<View*>(object.get()))
        configureView(*view, d);
    std::string id = stringFor(d, "id");
    if (!id.empty())
        m_objects[id] = object;
    return object;
}

Responder* InterfaceLoader::resolve(const std::string& id, ViewController& owner) const
{
    if (id == "owner")
        return &owner;
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second.get();
}

bool InterfaceLoader::load(const JSONValue& description, ViewController& owner)
{
    m_objects.clear();
    m_topLevel.clear();
    auto objects = description.find("objects");
    if (!objects || !objects->isArray()) {
        m_error = "no \"objects\" list";
        return false;
    }
    for (size_t i = 0; i < objects->size(); ++i) {
        if (auto object = build((*objects)[i]))
            m_topLevel.push_back(object);
    }
    if (auto outlets = description.find("outlets"); outlets && outlets->isArray()) {
        for (size_t i = 0; i < outlets->size(); ++i) {
            JSONValue o = (*outlets)[i];
            auto* source = dynamic_cast<ViewController*>(resolve(stringFor(o, "object", "owner"), owner));
            auto destination = m_objects.find(stringFor(o, "destination"));
            std::string name = stringFor(o, "name");
            if (!source || destination == m_objects.end() || !source->setOutlet(name, destination->second))
                Log::writef("Interface description: outlet %s could not be connected", name.c_str());
        }
    }
    if (auto actions = description.find("actions"); actions && actions->isArray()) {
        for (size_t i = 0; i < actions->size(); ++i) {
            JSONValue a = (*actions)[i];
            Responder* source = resolve(stringFor(a, "object"), owner);
            Responder* target = resolve(stringFor(a, "target", "owner"), owner);
            std::string action = stringFor(a, "action");
            std::weak_ptr<Responder> weakTarget = target ? target->weak_from_this() : std::weak_ptr<Responder>();
            if (auto* control = dynamic_cast<Control*>(source)) {
                if (!weakTarget.expired())
                    control->addTarget(weakTarget, action, eventFrom(stringFor(a, "event")));
                else
                    control->addTarget(target, action, eventFrom(stringFor(a, "event")));
            } else if (auto* item = dynamic_cast<BarButtonItem*>(source)) {
                // A target without a shared owner is reached through the responder chain.
                if (!weakTarget.expired())
                    item->setTarget(weakTarget);
                item->setAction(action);
            } else {
                Log::writef("Interface description: action %s has no control", action.c_str());
            }
        }
    }
    for (auto& [id, object] : m_objects) {
        if (auto* controller = dynamic_cast<ViewController*>(object.get()))
            controller->awakeFromInterface();
    }
    // Like an autorelease pool: objects nobody kept go at the end of the pass.
    for (auto& object : m_topLevel)
        RunLoop::main().keepAliveUntilPassEnds(object);
    return true;
}

std::shared_ptr<Responder> InterfaceLoader::objectWithID(const std::string& id) const
{
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second;
}
