#include "platform/ui/layers/LayerProperties.h"

#include <cmath>

std::optional<AnimationValue> LayerProperties::valueForKeyPath(const std::string& key) const
{
    if (key == "position")
        return position;
    if (key == "position.x")
        return position.x;
    if (key == "position.y")
        return position.y;
    if (key == "bounds")
        return bounds;
    if (key == "bounds.size")
        return bounds.size;
    if (key == "bounds.origin")
        return bounds.origin;
    if (key == "bounds.size.width")
        return bounds.size.width;
    if (key == "bounds.size.height")
        return bounds.size.height;
    if (key == "bounds.origin.x")
        return bounds.origin.x;
    if (key == "bounds.origin.y")
        return bounds.origin.y;
    if (key == "anchorPoint")
        return anchorPoint;
    if (key == "transform")
        return transform;
    if (key == "transform.scale" || key == "transform.scale.x")
        return std::hypot(transform.m11, transform.m12);
    if (key == "transform.scale.y")
        return std::hypot(transform.m21, transform.m22);
    if (key == "transform.rotation" || key == "transform.rotation.z")
        return std::atan2(transform.m12, transform.m11);
    if (key == "transform.translation.x")
        return transform.m41;
    if (key == "transform.translation.y")
        return transform.m42;
    if (key == "transform.translation")
        return Size { transform.m41, transform.m42 };
    if (key == "opacity")
        return opacity;
    if (key == "backgroundColor")
        return backgroundColor.value_or(Color::clear());
    if (key == "cornerRadius")
        return cornerRadius;
    if (key == "borderWidth")
        return borderWidth;
    if (key == "borderColor")
        return borderColor;
    return std::nullopt;
}

bool LayerProperties::setValueForKeyPath(const std::string& key, const AnimationValue& value)
{
    auto number = [&](double& field) {
        if (!value.is<double>())
            return false;
        field = value.as<double>();
        return true;
    };
    if (key == "position" && value.is<Point>()) {
        position = value.as<Point>();
        return true;
    }
    if (key == "position.x")
        return number(position.x);
    if (key == "position.y")
        return number(position.y);
    if (key == "bounds" && value.is<Rect>()) {
        bounds = value.as<Rect>();
        return true;
    }
    if (key == "bounds.size" && value.is<Size>()) {
        bounds.size = value.as<Size>();
        return true;
    }
    if (key == "bounds.origin" && value.is<Point>()) {
        bounds.origin = value.as<Point>();
        return true;
    }
    if (key == "bounds.size.width")
        return number(bounds.size.width);
    if (key == "bounds.size.height")
        return number(bounds.size.height);
    if (key == "bounds.origin.x")
        return number(bounds.origin.x);
    if (key == "bounds.origin.y")
        return number(bounds.origin.y);
    if (key == "anchorPoint" && value.is<Point>()) {
        anchorPoint = value.as<Point>();
        return true;
    }
    if (key == "transform" && value.is<Transform3D>()) {
        transform = value.as<Transform3D>();
        return true;
    }
    if (key == "transform.translation" && (value.is<Size>() || value.is<Point>())) {
        // A translation is a size, but a point says the same.
        Size by = value.is<Size>() ? value.as<Size>() : Size { value.as<Point>().x, value.as<Point>().y };
        transform.m41 = by.width;
        transform.m42 = by.height;
        return true;
    }
    if (key.starts_with("transform.") && value.is<double>()) {
        double v = value.as<double>();
        // Sub-paths rebuild the transform from scale, rotation and translation.
        double sx = std::hypot(transform.m11, transform.m12);
        double sy = std::hypot(transform.m21, transform.m22);
        double rotation = std::atan2(transform.m12, transform.m11);
        double tx = transform.m41, ty = transform.m42;
        if (key == "transform.scale")
            sx = sy = v;
        else if (key == "transform.scale.x")
            sx = v;
        else if (key == "transform.scale.y")
            sy = v;
        else if (key == "transform.rotation" || key == "transform.rotation.z")
            rotation = v;
        else if (key == "transform.translation.x")
            tx = v;
        else if (key == "transform.translation.y")
            ty = v;
        else
            return false;
        transform = Transform3D::makeScale(sx, sy, 1)
                        .concat(Transform3D::makeRotation(rotation, 0, 0, 1))
                        .concat(Transform3D::makeTranslation(tx, ty, 0));
        return true;
    }
    if (key == "opacity")
        return number(opacity);
    if (key == "backgroundColor" && value.is<Color>()) {
        backgroundColor = value.as<Color>();
        return true;
    }
    if (key == "cornerRadius")
        return number(cornerRadius);
    if (key == "borderWidth")
        return number(borderWidth);
    if (key == "borderColor" && value.is<Color>()) {
        borderColor = value.as<Color>();
        return true;
    }
    return false;
}
