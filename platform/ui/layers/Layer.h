#pragma once

#include "platform/ui/graphics/CairoRefPtr.h"
#include "platform/ui/layers/Animation.h"
#include "platform/ui/layers/LayerProperties.h"

#include <cairo.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class GraphicsContext;
class Image;
class LayerDelegate;
class Timer;

// A node of the render tree: geometry, opacity, background, an optional
// content image drawn by its delegate, sublayers and running animations.
// Setting a property changes the model value at once; what is drawn comes
// from the presentation values, which running animations derive from the
// model at the run loop's current time.
class Layer : public std::enable_shared_from_this<Layer> {
public:
    static std::shared_ptr<Layer> create() { return std::shared_ptr<Layer>(new Layer); }
    virtual ~Layer();

    // The time animations are measured on: the main run loop's clock.
    static double currentMediaTime();

    // Model values
    const LayerProperties& model() const { return m_model; }
    Point position() const { return m_model.position; }
    void setPosition(Point);
    Rect bounds() const { return m_model.bounds; }
    void setBounds(const Rect&);
    Point anchorPoint() const { return m_model.anchorPoint; }
    void setAnchorPoint(Point);
    const Transform3D& transform() const { return m_model.transform; }
    void setTransform(const Transform3D&);
    double opacity() const { return m_model.opacity; }
    void setOpacity(double);
    const std::optional<Color>& backgroundColor() const { return m_model.backgroundColor; }
    void setBackgroundColor(std::optional<Color>);
    double cornerRadius() const { return m_model.cornerRadius; }
    void setCornerRadius(double);
    void setBorder(double width, const Color&);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool);
    // An image shown stretched over the bounds, under the delegate's drawing.
    const std::shared_ptr<Image>& contents() const { return m_contents; }
    void setContents(std::shared_ptr<Image>);
    // The frame in the superlayer's coordinates: the bounding box of the
    // transformed bounds around the position.
    Rect frame() const;
    void setFrame(const Rect&);
    // Sets a model value by key path (see LayerProperties).
    bool setValueForKeyPath(const std::string& keyPath, const AnimationValue&);

    // The values on screen now.
    LayerProperties presentation() const;
    LayerProperties presentationAt(double time) const;

    // Tree
    Layer* superlayer() const { return m_superlayer; }
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
    void addSublayer(std::shared_ptr<Layer>);
    void insertSublayer(std::shared_ptr<Layer>, size_t index);
    void removeFromSuperlayer();
    Layer* rootLayer();

    // Content
    void setDelegate(LayerDelegate* delegate) { m_delegate = delegate; }
    LayerDelegate* delegate() const { return m_delegate; }
    void setNeedsDisplay();
    bool needsDisplay() const { return m_needsDisplay; }

    // Animations. A begin time of 0 means "now"; otherwise it is on the
    // currentMediaTime() scale. Adding under a key already used replaces (and
    // stops, unfinished) the earlier animation.
    void addAnimation(std::shared_ptr<Animation>, const std::string& key);
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    std::shared_ptr<Animation> animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    // True while an animation is still changing what is drawn.
    bool isAnimating() const;

    // Rendering. renderInContext draws this layer and its sublayers in the
    // layer's own coordinates (its bounds), with presentation values.
    void renderInContext(GraphicsContext&);
    // Draws the layer in its superlayer's coordinates on `cr`; `scale` is
    // pixels per point, used for backing images.
    void render(cairo_t* cr, double scale, double now);

    // For renderers that keep each layer's pixels apart (the desktop's render
    // nodes): the delegate's drawing over `bounds` at `scale` pixels per
    // point, redrawn first when it needs display or the scale changed; null
    // when the layer draws nothing of its own. A new drawing is a new surface.
    cairo_surface_t* backingSurface(const Rect& bounds, double scale);
    double backingScale() const { return m_backingScale; }
    // How often the delegate's drawing was redrawn into a backing image.
    uint64_t backingDrawCount() const { return m_backingDraws; }
    // A transition replaces the layer's content while it runs; renderTransition
    // draws it over the bounds (in the layer's bounds coordinates).
    bool hasRunningTransition(double now) const;
    bool renderTransition(cairo_t*, const LayerProperties&, double now) const;

    // The root layer tells its observer (the window) when something it shows changed.
    void setCompositeObserver(std::function<void()> observer) { m_compositeObserver = std::move(observer); }
    void setNeedsComposite();

protected:
    Layer() = default;

private:
    struct Entry {
        std::string key;
        std::shared_ptr<Animation> animation;
        double begin { 0 };
        std::shared_ptr<Timer> endTimer;
        bool stopped { false };
    };

    void animationDidEnd(const std::shared_ptr<Animation>&);
    void stopEntry(Entry&, bool finished);
    void renderContent(cairo_t*, const LayerProperties&, double scale, double now);
    void modelChanged();

    LayerProperties m_model;
    bool m_hidden { false };
    bool m_masksToBounds { false };
    std::shared_ptr<Image> m_contents;
    Layer* m_superlayer { nullptr }; // owns us
    std::vector<std::shared_ptr<Layer>> m_sublayers;
    LayerDelegate* m_delegate { nullptr }; // the view that owns this layer
    bool m_needsDisplay { true };
    GRefPtr<cairo_surface_t> m_backing;
    double m_backingScale { 0 };
    uint64_t m_backingDraws { 0 };
    std::vector<Entry> m_animations;
    std::function<void()> m_compositeObserver;
};
