#pragma once

#include "platform/ui/views/Responder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class Image;
class InterfaceProperties;
class Toolbar;

// A button on a toolbar: a title and a target/action pair, or a flexible or
// fixed space that spreads the other items.
class BarButtonItem : public Responder {
public:
    enum class Style { Plain, Bordered, Done };
    enum class Kind { Button, FlexibleSpace, FixedSpace };
    // The platform's stock items, numbered as the platform numbers them; the
    // ones without a word are drawn as a glyph.
    enum class SystemItem {
        Done = 0,
        Cancel = 1,
        FlexibleSpace = 5,
        FixedSpace = 6,
        Action = 9,
        Refresh = 13,
        Stop = 14
    };

    explicit BarButtonItem(std::string title = {}, Style = Style::Bordered);
    static std::shared_ptr<BarButtonItem> flexibleSpace();
    static std::shared_ptr<BarButtonItem> fixedSpace(double width);
    // A stock item sending `action` to `target` (not owned).
    static std::shared_ptr<BarButtonItem> systemItem(
        SystemItem, std::weak_ptr<Responder> target = {}, std::string action = {});
    // An item showing an image instead of a title.
    // From a toolbar's entry in an interface description: "class" (BarButtonItem,
    // FlexibleSpace, FixedSpace), "title", "style" (plain, bordered, done),
    // "width", "accessibilityLabel".
    static std::shared_ptr<BarButtonItem> fromInterfaceProperties(const InterfaceProperties&);
    static std::shared_ptr<BarButtonItem> withImage(std::shared_ptr<Image>, Style = Style::Plain);

    Kind kind() const { return m_kind; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string);
    const std::shared_ptr<Image>& image() const { return m_image; }
    void setImage(std::shared_ptr<Image> image)
    {
        m_image = std::move(image);
        changed();
    }
    // The stock item this is, if it is one.
    std::optional<SystemItem> systemItem() const { return m_systemItem; }
    Style style() const { return m_style; }
    void setStyle(Style s)
    {
        m_style = s;
        changed();
    }
    // 0: as wide as the title needs.
    double width() const { return m_width; }
    void setWidth(double w)
    {
        m_width = w;
        changed();
    }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool e)
    {
        m_enabled = e;
        changed();
    }
    std::optional<std::string> accessibilityLabel() const { return m_accessibilityLabel; }
    void setAccessibilityLabel(std::optional<std::string> l) { m_accessibilityLabel = std::move(l); }

    // The target is not owned.
    void setTarget(std::weak_ptr<Responder> target)
    {
        m_target = std::move(target);
        m_hasTarget = true;
    }
    const std::string& action() const { return m_action; }
    void setAction(std::string a) { m_action = std::move(a); }
    void setHandler(std::function<void(BarButtonItem&)> h) { m_handler = std::move(h); }
    // Sends the action (the toolbar calls it on a tap).
    void trigger();

    void setToolbar(Toolbar* toolbar) { m_toolbar = toolbar; }

private:
    void changed();

    Kind m_kind { Kind::Button };
    std::string m_title;
    std::shared_ptr<Image> m_image;
    std::optional<SystemItem> m_systemItem;
    Style m_style;
    double m_width { 0 };
    bool m_enabled { true };
    std::optional<std::string> m_accessibilityLabel;
    std::weak_ptr<Responder> m_target;
    bool m_hasTarget { false };
    std::string m_action;
    std::function<void(BarButtonItem&)> m_handler;
    Toolbar* m_toolbar { nullptr }; // owns us
};
