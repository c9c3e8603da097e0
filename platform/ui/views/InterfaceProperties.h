#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/Rect.h"
#include "platform/ui/graphics/TextAlignment.h"
#include "json/JSONValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class Responder;

// One object's entry in an interface description, as the object reads its
// own properties from it (View::applyInterfaceProperties): typed look-ups
// that answer nothing for a missing or mistyped value, so every class reads
// its keys the same way and a new control never touches the loader.
class InterfaceProperties {
public:
    using ObjectNamer = std::function<void(const std::string& id, std::shared_ptr<Responder>)>;

    InterfaceProperties(JSONValue description, ObjectNamer);

    const JSONValue& description() const { return m_description; }
    // An entry nested in this one (a toolbar's item), naming objects the same way.
    InterfaceProperties nested(JSONValue description) const { return { std::move(description), m_namer }; }

    bool has(std::string_view key) const { return m_description.find(key).has_value(); }
    std::optional<JSONValue> value(std::string_view key) const { return m_description.find(key); }
    // A string value, or the fallback.
    std::string string(std::string_view key, std::string fallback = {}) const;
    std::optional<double> number(std::string_view key) const;
    // Any present value, read as a truth value.
    std::optional<bool> boolean(std::string_view key) const;
    // [x, y, width, height]
    std::optional<Rect> rect(std::string_view key) const;
    // [r, g, b] or [r, g, b, a] (0..1), a white level, or a name ("black", "white",
    // "red", "green", "blue", "gray", "darkGray", "lightGray", "clear").
    std::optional<Color> color(std::string_view key) const;
    // "font": { "name": …, "size": … }, Helvetica 17 for what is left out.
    std::optional<Font> font() const;
    // "textAlignment": "left", "center" or "right".
    TextAlignment textAlignment(TextAlignment fallback) const;

    // The keys every text-showing control reads the same way: "text" (empty
    // when absent), "font", "textColor" and "textAlignment" (left when absent).
    template <typename TextControl> void applyTextProperties(TextControl& control) const
    {
        control.setText(string("text"));
        if (auto f = font())
            control.setFont(*f);
        if (auto c = color("textColor"))
            control.setTextColor(*c);
        control.setTextAlignment(textAlignment(TextAlignment::Left));
    }

    // Makes an object that is not a view of the tree (a bar item) reachable
    // by its id in outlets and actions.
    void nameObject(const std::string& id, std::shared_ptr<Responder>) const;

private:
    JSONValue m_description;
    ObjectNamer m_namer;
};
