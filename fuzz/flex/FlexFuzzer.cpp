// Feeds every value of an arbitrary JSON document through every converter of
// a flexible ad's description and the animation builder, then builds and
// draws the document as a whole banner description (its assets as small
// pictures, never fetched). None may fail, and
// nothing that comes out may hold a value that is not a number or infinite:
// those always give the default. (A group may run for ever, which its
// infinite duration says; it is never not a number.)
#include <cairo.h>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/flex/PellarFlexAnimationBuilder.h"
#include "ads/flex/PellarFlexValueParsing.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "platform/ui/layers/KeyframeAnimation.h"
#include "platform/ui/layers/LayerProperties.h"
#include "json/JSONDeserializer.h"

namespace {

using P = PellarFlexValueParsing;

// Animations and first-draw times run on a clock of the fuzzer's own.
const auto fuzzClock = std::make_shared<ManualClock>();

void requireFinite(double value)
{
    if (!std::isfinite(value))
        std::abort();
}

void requireFinite(const Rect& r)
{
    requireFinite(r.origin.x);
    requireFinite(r.origin.y);
    requireFinite(r.size.width);
    requireFinite(r.size.height);
}

void requireFinite(const Transform3D& t)
{
    for (double m : { t.m11, t.m12, t.m13, t.m14, t.m21, t.m22, t.m23, t.m24, t.m31, t.m32, t.m33, t.m34, t.m41, t.m42,
             t.m43, t.m44 })
        requireFinite(m);
}

void convertEveryWay(const JSONValue& value)
{
    std::optional<JSONValue> present = value;
    requireFinite(P::rectWithValue(present, {}));
    Point point = P::pointWithValue(present, {});
    requireFinite(point.x);
    requireFinite(point.y);
    Size size = P::sizeWithValue(present, {});
    requireFinite(size.width);
    requireFinite(size.height);
    if (auto color = P::colorWithValue(present, std::nullopt))
        requireFinite(Rect(color->red, color->green, color->blue, color->alpha));
    requireFinite(Transform3D::fromAffine(P::affineTransformWithValue(present, {})));
    requireFinite(P::transform3DWithValue(present, {}));
    requireFinite(P::floatWithValue(present, 0));
    (void)P::integerWithValue(present, 0);
    (void)P::boolWithValue(present, false);
    (void)P::timingFunctionWithValue(present, "l");
    (void)P::fillModeWithValue(present, "r");
    if (auto number = P::numberWithValue(value))
        requireFinite(*number);
    for (const char* code : { "F", "R", "P", "S", "AT", "T3", "X" }) {
        for (auto provider : { &P::defaultAnimationFromValueWithValueType, &P::defaultAnimationToValueWithValueType }) {
            auto typed = P::valueOfType(code, present, provider);
            if (typed.has_value() != (code[0] != 'X'))
                std::abort();
            if (typed) {
                AnimationValue animated = P::animationValue(*typed);
                if (animated.is<double>())
                    requireFinite(animated.as<double>());
                if (animated.is<Rect>())
                    requireFinite(animated.as<Rect>());
                if (animated.is<Transform3D>())
                    requireFinite(animated.as<Transform3D>());
            }
        }
    }
}

void buildAnimations(const JSONValue& value)
{
    if (value.isDictionary()) {
        (void)PellarFlexAnimationBuilder::basicAnimationFromDictionary(value);
        if (auto keyframe = PellarFlexAnimationBuilder::keyframeAnimationFromDictionary(value)) {
            for (double time : keyframe->keyTimes())
                requireFinite(time);
        }
        if (auto members = value.find("a")) {
            if (auto group = PellarFlexAnimationBuilder::animationGroupFromArray(*members, value.find("ag"))) {
                if (std::isnan(group->duration()))
                    std::abort();
                // Sample it as a layer would, at a few moments.
                LayerProperties shown, model;
                for (double t : { 0.0, 0.1, 1.0, 100.0 }) {
                    group->apply(t, shown, model);
                    requireFinite(shown.opacity);
                    requireFinite(shown.bounds);
                    requireFinite(Rect(shown.position, Size { shown.anchorPoint.x, shown.anchorPoint.y }));
                    requireFinite(shown.transform);
                }
            }
        }
    }
    if (value.isArray())
        (void)PellarFlexAnimationBuilder::animationGroupFromArray(value, std::nullopt);
}

void walk(const JSONValue& value, int depth)
{
    convertEveryWay(value);
    buildAnimations(value);
    if (depth > 64)
        return;
    for (size_t i = 0; i < value.size(); ++i)
        walk(value.isArray() ? value[i] : value.valueAt(i), depth + 1);
}

// Builds the document as a whole banner description into a container off
// screen, draws it, and moves time on so that its animations run. Asset
// tables are never fetched: a description with one is built from its "v"
// alone (its images are then missing, as when a download gives nothing).
void buildBanner(const JSONValue& description)
{
    auto flexAd = PellarFlexAd::create(description, {}, {}, { 0, 0, 320, 48 });
    auto assets = description.find("$");
    if (assets && assets->isDictionary() && assets->size() > 0) {
        // Every named asset "arrives" as one small picture.
        static const auto picture = [] {
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
            auto image = Image::fromSurface(surface);
            cairo_surface_destroy(surface);
            return image;
        }();
        std::map<std::string, std::shared_ptr<Image>> images;
        for (size_t i = 0; i < assets->size() && i < PellarFlexAd::kMaximumAssets; ++i)
            images[std::string(assets->keyAt(i))] = picture;
        flexAd->setDecodedAssets(std::move(images));
        if (auto elements = description.find("v"); elements && elements->isArray()) {
            for (auto& view : flexAd->viewsFromArray(*elements))
                flexAd->containerView()->addSubview(view);
        }
    } else {
        flexAd->buildFlexAd();
    }
    auto container = flexAd->containerView();
    for (double later : { 0.0, 0.5, 3.0 }) {
        RunLoop::main().advance(later);
        ImageContext image(container->bounds().size, 1);
        container->layer().renderInContext(image.context());
    }
    RunLoop::main().runUntilIdle();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        RunLoop::main().setClock(fuzzClock);
        return true;
    }();
    (void)ready;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    JSONError error;
    if (auto value = JSONDeserializer().deserialize(bytes, &error)) {
        walk(*value, 0);
        if (value->isDictionary())
            buildBanner(*value);
    }
    return 0;
}
