#include "platform/ui/views/InterfaceProperties.h"

namespace {

std::optional<Color> namedColor(std::string_view name)
{
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

} // namespace

InterfaceProperties::InterfaceProperties(JSONValue description, ObjectNamer namer)
    : m_description(std::move(description))
    , m_namer(std::move(namer))
{
}

std::string InterfaceProperties::string(std::string_view key, std::string fallback) const
{
    auto v = m_description.find(key);
    return v && v->isString() ? std::string(v->stringValue()) : fallback;
}

std::optional<double> InterfaceProperties::number(std::string_view key) const
{
    auto v = m_description.find(key);
    if (v && v->isNumber())
        return v->numberValue();
    return std::nullopt;
}

std::optional<bool> InterfaceProperties::boolean(std::string_view key) const
{
    if (auto v = m_description.find(key))
        return v->boolValue();
    return std::nullopt;
}

std::optional<Rect> InterfaceProperties::rect(std::string_view key) const
{
    auto v = m_description.find(key);
    if (!v || !v->isArray() || v->size() != 4)
        return std::nullopt;
    for (size_t i = 0; i < 4; ++i) {
        if (!(*v)[i].isNumber())
            return std::nullopt;
    }
    return Rect { (*v)[0].numberValue(), (*v)[1].numberValue(), (*v)[2].numberValue(), (*v)[3].numberValue() };
}

std::optional<Color> InterfaceProperties::color(std::string_view key) const
{
    auto v = m_description.find(key);
    if (!v)
        return std::nullopt;
    if (v->isNumber())
        return Color::white(v->numberValue());
    if (v->isString())
        return namedColor(v->stringValue());
    if (v->isArray() && (v->size() == 3 || v->size() == 4)) {
        double c[4] = { 0, 0, 0, 1 };
        for (size_t i = 0; i < v->size(); ++i)
            c[i] = (*v)[i].numberValue();
        return Color::rgba(c[0], c[1], c[2], c[3]);
    }
    return std::nullopt;
}

std::optional<Font> InterfaceProperties::font() const
{
    auto v = m_description.find("font");
    if (!v || !v->isDictionary())
        return std::nullopt;
    InterfaceProperties font(*v, nullptr);
    return Font::fontWithName(font.string("name", "Helvetica"), font.number("size").value_or(17));
}

TextAlignment InterfaceProperties::textAlignment(TextAlignment fallback) const
{
    std::string a = string("textAlignment");
    if (a == "center")
        return TextAlignment::Center;
    if (a == "right")
        return TextAlignment::Right;
    if (a == "left")
        return TextAlignment::Left;
    return fallback;
}

void InterfaceProperties::nameObject(const std::string& id, std::shared_ptr<Responder> object) const
{
    if (m_namer && !id.empty())
        m_namer(id, std::move(object));
}
