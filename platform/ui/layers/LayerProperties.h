#pragma once

#include "platform/ui/layers/AnimationValue.h"

#include <optional>
#include <string>

// The animatable properties of a layer, either its model values or what is
// on screen at a moment (the presentation values).
struct LayerProperties {
    Point position;
    Rect bounds;
    Point anchorPoint { 0.5, 0.5 };
    Transform3D transform;
    double opacity { 1 };
    std::optional<Color> backgroundColor;
    double cornerRadius { 0 };
    double borderWidth { 0 };
    Color borderColor { 0, 0, 0, 1 };

    // The value at a key path ("position", "position.x", "bounds", "bounds.size",
    // "bounds.size.width", "bounds.origin.x", "anchorPoint", "transform",
    // "transform.scale", "transform.rotation.z", "transform.translation" (a
    // size), "transform.translation.x", "opacity", "backgroundColor",
    // "cornerRadius", "borderWidth", "borderColor"), or nullopt for an unknown path.
    std::optional<AnimationValue> valueForKeyPath(const std::string& keyPath) const;
    // Sets the value at a key path; answers false for an unknown path or a value of the wrong type.
    bool setValueForKeyPath(const std::string& keyPath, const AnimationValue&);
};
