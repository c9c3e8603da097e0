#include "platform/ui/views/InterfaceLoader.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/ViewController.h"
#include "json/JSONDeserializer.h"

#include <fstream>
#include <iterator>

namespace {

std::map<std::string, InterfaceLoader::Factory>& registry()
{
    static std::map<std::string, InterfaceLoader::Factory> classes;
    return classes;
}

std::string stringFor(const JSONValue& d, std::string_view key, std::string fallback = {})
{
    auto v = d.find(key);
    return v && v->isString() ? std::string(v->stringValue()) : fallback;
}

std::optional<double> numberFor(const JSONValue& d, std::string_view key)
{
    auto v = d.find(key);
    if (v && v->isNumber())
        return v->numberValue();
    return std::nullopt;
}

std::optional<Rect> rectFrom(const JSONValue& v)
{
    if (!v.isArray() || v.size() != 4)
        return std::nullopt;
    for (size_t i = 0; i < 4; ++i) {
        if (!v[i].isNumber())
            return std::nullopt;
    }
    return Rect { v[0].numberValue(), v[1].numberValue(), v[2].numberValue(), v[3].numberValue() };
}

// A colour as [r, g, b] or [r, g, b, a] (0..1), a white level, or a name.
std::optional<Color> colorFrom(const JSONValue& v)
{
    if (v.isNumber())
        return Color::white(v.numberValue());
    if (v.isString()) {
        std::string_view name = v.stringValue();
        if (name == "black")
            return Color::black();
        if (name == "white")
            return Color::whiteColor();
        if (name == "red")
            return Color::redColor();
        if (name == "green")
            return Color::greenColor();
        if (name == "blue")
            return Color::blueColor();
        if (name == "gray")
            return Color::grayColor();
        if (name == "darkGray")
            return Color::darkGrayColor();
        if (name == "lightGray")
            return Color::lightGrayColor();
        if (name == "clear")
            return Color::clear();
        return std::nullopt;
    }
    if (v.isArray() && (v.size() == 3 || v.size() == 4)) {
        double c[4] = { 0, 0, 0, 1 };
        for (size_t i = 0; i < v.size(); ++i)
            c[i] = v[i].numberValue();
        return Color::rgba(c[0], c[1], c[2], c[3]);
    }
    return std::nullopt;
}

std::optional<Font> fontFrom(const JSONValue& d)
{
    auto v = d.find("font");
    if (!v || !v->isDictionary())
        return std::nullopt;
    double size = numberFor(*v, "size").value_or(17);
    return Font::fontWithName(stringFor(*v, "name", "Helvetica"), size);
}

TextAlignment alignmentFrom(const JSONValue& d, TextAlignment fallback)
{
    std::string a = stringFor(d, "textAlignment");
    if (a == "center")
        return TextAlignment::Center;
    if (a == "right")
        return TextAlignment::Right;
    if (a == "left")
        return TextAlignment::Left;
    return fallback;
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

std::shared_ptr<BarButtonItem> barItemFrom(const JSONValue& d)
{
    std::string cls = stringFor(d, "class", "BarButtonItem");
    if (cls == "FlexibleSpace")
        return BarButtonItem::flexibleSpace();
    if (cls == "FixedSpace")
        return BarButtonItem::fixedSpace(numberFor(d, "width").value_or(0));
    std::string style = stringFor(d, "style", "bordered");
    auto item = std::make_shared<BarButtonItem>(stringFor(d, "title"),
        style == "plain"      ? BarButtonItem::Style::Plain
            : style == "done" ? BarButtonItem::Style::Done
                              : BarButtonItem::Style::Bordered);
    if (auto w = numberFor(d, "width"))
        item->setWidth(*w);
    if (auto label = d.find("accessibilityLabel"); label && label->isString())
        item->setAccessibilityLabel(std::string(label->stringValue()));
    return item;
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
    if (auto v = d.find("frame")) {
        if (auto frame = rectFrom(*v))
            view.setFrame(*frame);
    }
    if (auto v = d.find("backgroundColor"))
        view.setBackgroundColor(colorFrom(*v));
    if (auto a = numberFor(d, "alpha"))
        view.setAlpha(*a);
    if (auto v = d.find("hidden"))
        view.setHidden(v->boolValue());
    if (auto t = numberFor(d, "tag"))
        view.setTag(static_cast<int>(*t));
    if (auto v = d.find("userInteractionEnabled"))
        view.setUserInteractionEnabled(v->boolValue());
    if (auto v = d.find("clipsToBounds"))
        view.setClipsToBounds(v->boolValue());
    if (auto m = numberFor(d, "autoresizingMask"))
        view.setAutoresizingMask(static_cast<unsigned>(*m));
    if (auto v = d.find("accessibilityLabel"); v && v->isString())
        view.setAccessibilityLabel(std::string(v->stringValue()));

    if (auto* label = dynamic_cast<Label*>(&view)) {
        label->setText(stringFor(d, "text"));
        if (auto font = fontFrom(d))
            label->setFont(*font);
        if (auto v = d.find("textColor"); v && colorFrom(*v))
            label->setTextColor(*colorFrom(*v));
        label->setTextAlignment(alignmentFrom(d, TextAlignment::Left));
        if (auto n = numberFor(d, "numberOfLines"))
            label->setNumberOfLines(static_cast<int>(*n));
    } else if (auto* button = dynamic_cast<Button*>(&view)) {
        button->setTitle(stringFor(d, "title"));
        if (auto font = fontFrom(d))
            button->setFont(*font);
        if (auto v = d.find("titleColor"); v && colorFrom(*v))
            button->setTitleColor(*colorFrom(*v));
    } else if (auto* imageView = dynamic_cast<ImageView*>(&view)) {
        std::string image = stringFor(d, "image");
        if (!image.empty()) {
            if (auto path = Bundle::mainBundle().pathForResource(image, ""))
                imageView->setImage(Image::fromFile(path->string()));
        }
    } else if (auto* textView = dynamic_cast<TextView*>(&view)) {
        textView->setText(stringFor(d, "text"));
        if (auto font = fontFrom(d))
            textView->setFont(*font);
        if (auto v = d.find("textColor"); v && colorFrom(*v))
            textView->setTextColor(*colorFrom(*v));
        if (auto v = d.find("editable"))
            textView->setEditable(v->boolValue());
        textView->setTextAlignment(alignmentFrom(d, TextAlignment::Left));
    } else if (auto* toolbar = dynamic_cast<Toolbar*>(&view)) {
        if (stringFor(d, "barStyle") == "black")
            toolbar->setBarStyle(Toolbar::Style::Black);
        std::vector<std::shared_ptr<BarButtonItem>> items;
        if (auto list = d.find("items"); list && list->isArray()) {
            for (size_t i = 0; i < list->size(); ++i) {
                JSONValue entry = (*list)[i];
                if (!entry.isDictionary())
                    continue;
                auto item = barItemFrom(entry);
                std::string id = stringFor(entry, "id");
                if (!id.empty())
                    m_objects[id] = item;
                items.push_back(std::move(item));
            }
        }
        toolbar->setItems(std::move(items));
    } else if (auto* segmented = dynamic_cast<SegmentedControl*>(&view)) {
        std::vector<std::string> titles;
        if (auto list = d.find("segments"); list && list->isArray()) {
            for (size_t i = 0; i < list->size(); ++i)
                titles.emplace_back((*list)[i].stringValue());
        }
        segmented->setTitles(std::move(titles));
        if (auto s = numberFor(d, "selectedSegmentIndex"))
            segmented->setSelectedSegmentIndex(static_cast<int>(*s));
    } else if (auto* slider = dynamic_cast<Slider*>(&view)) {
        if (auto v = numberFor(d, "minimumValue"))
            slider->setMinimumValue(*v);
        if (auto v = numberFor(d, "maximumValue"))
            slider->setMaximumValue(*v);
        if (auto v = numberFor(d, "value"))
            slider->setValue(*v);
        if (auto v = d.find("continuous"))
            slider->setContinuous(v->boolValue());
    }

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
    } else if (cls == "View") {
        object = View::make();
    } else if (cls == "Label") {
        object = View::make<Label>();
    } else if (cls == "Button") {
        object = View::make<Button>();
    } else if (cls == "ImageView") {
        object = View::make<ImageView>();
    } else if (cls == "TextView") {
        object = View::make<TextView>();
    } else if (cls == "Toolbar") {
        object = View::make<Toolbar>();
    } else if (cls == "SegmentedControl") {
        object = View::make<SegmentedControl>();
    } else if (cls == "Slider") {
        object = View::make<Slider>();
    } else if (cls == "ViewController") {
        object = std::make_shared<ViewController>();
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
