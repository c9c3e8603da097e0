#include "platform/ui/layers/Layer.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/graphics/CairoStateSaver.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/layers/LayerDelegate.h"
#include "platform/ui/layers/Transaction.h"
#include "platform/ui/layers/TransitionAnimation.h"

#include <algorithm>
#include <cmath>

Layer::~Layer()
{
    for (auto& entry : m_animations) {
        if (entry.endTimer)
            entry.endTimer->invalidate();
    }
    for (auto& sublayer : m_sublayers)
        sublayer->m_superlayer = nullptr;
}

double Layer::currentMediaTime()
{
    return RunLoop::main().now();
}

void Layer::modelChanged()
{
    setNeedsComposite();
}

void Layer::setPosition(Point p)
{
    m_model.position = p;
    modelChanged();
}

void Layer::setBounds(const Rect& r)
{
    if (r.size != m_model.bounds.size)
        m_needsDisplay = true;
    m_model.bounds = r;
    modelChanged();
}

void Layer::setAnchorPoint(Point p)
{
    m_model.anchorPoint = p;
    modelChanged();
}

void Layer::setTransform(const Transform3D& t)
{
    m_model.transform = t;
    modelChanged();
}

void Layer::setOpacity(double o)
{
    m_model.opacity = o;
    modelChanged();
}

void Layer::setBackgroundColor(std::optional<Color> c)
{
    m_model.backgroundColor = c;
    modelChanged();
}

void Layer::setCornerRadius(double r)
{
    m_model.cornerRadius = r;
    modelChanged();
}

void Layer::setBorder(double width, const Color& color)
{
    m_model.borderWidth = width;
    m_model.borderColor = color;
    modelChanged();
}

void Layer::setHidden(bool h)
{
    m_hidden = h;
    modelChanged();
}

void Layer::setMasksToBounds(bool m)
{
    m_masksToBounds = m;
    modelChanged();
}

void Layer::setContents(std::shared_ptr<Image> image)
{
    m_contents = std::move(image);
    modelChanged();
}

bool Layer::setValueForKeyPath(const std::string& keyPath, const AnimationValue& value)
{
    Size oldSize = m_model.bounds.size;
    if (!m_model.setValueForKeyPath(keyPath, value))
        return false;
    if (oldSize != m_model.bounds.size)
        m_needsDisplay = true;
    modelChanged();
    return true;
}

Rect Layer::frame() const
{
    const auto& m = m_model;
    Rect local { -m.bounds.size.width * m.anchorPoint.x, -m.bounds.size.height * m.anchorPoint.y, m.bounds.size.width,
        m.bounds.size.height };
    if (m.transform.isIdentity())
        return local.offsetBy(m.position.x, m.position.y);
    return m.transform.affine().apply(local).offsetBy(m.position.x, m.position.y);
}

void Layer::setFrame(const Rect& frame)
{
    // As the platform does, the frame sets the bounds' size and the position;
    // under a non-identity transform the result is the untransformed frame.
    Rect bounds = m_model.bounds;
    bounds.size = { frame.width(), frame.height() };
    setBounds(bounds);
    setPosition({ frame.minX() + frame.width() * m_model.anchorPoint.x,
        frame.minY() + frame.height() * m_model.anchorPoint.y });
}

LayerProperties Layer::presentation() const
{
    return presentationAt(currentMediaTime());
}

LayerProperties Layer::presentationAt(double time) const
{
    LayerProperties properties = m_model;
    for (auto& entry : m_animations)
        entry.animation->apply(time - entry.begin, properties, m_model);
    return properties;
}

void Layer::addSublayer(std::shared_ptr<Layer> layer)
{
    insertSublayer(std::move(layer), m_sublayers.size());
}

void Layer::insertSublayer(std::shared_ptr<Layer> layer, size_t index)
{
    if (!layer || layer.get() == this)
        return;
    auto keep = layer;
    layer->removeFromSuperlayer();
    index = std::min(index, m_sublayers.size());
    m_sublayers.insert(m_sublayers.begin() + static_cast<std::ptrdiff_t>(index), layer);
    layer->m_superlayer = this;
    setNeedsComposite();
}

void Layer::removeFromSuperlayer()
{
    Layer* parent = m_superlayer;
    if (!parent)
        return;
    auto keep = shared_from_this();
    auto& siblings = parent->m_sublayers;
    siblings.erase(
        std::remove_if(siblings.begin(), siblings.end(), [&](auto& l) { return l.get() == this; }), siblings.end());
    m_superlayer = nullptr;
    parent->setNeedsComposite();
}

Layer* Layer::rootLayer()
{
    Layer* layer = this;
    while (layer->m_superlayer)
        layer = layer->m_superlayer;
    return layer;
}

void Layer::setNeedsDisplay()
{
    m_needsDisplay = true;
    setNeedsComposite();
}

void Layer::setNeedsComposite()
{
    Layer* root = rootLayer();
    if (root->m_compositeObserver)
        root->m_compositeObserver();
}

// MARK: Animations

void Layer::addAnimation(std::shared_ptr<Animation> animation, const std::string& key)
{
    if (!animation)
        return;
    if (!key.empty())
        removeAnimation(key);
    double now = currentMediaTime();
    Entry entry;
    entry.key = key;
    entry.animation = animation;
    entry.begin = animation->beginTime() > 0 ? animation->beginTime() : now;
    double end = entry.begin + animation->endElapsed();
    if (std::isfinite(end)) {
        std::weak_ptr<Layer> weakThis = weak_from_this();
        std::weak_ptr<Animation> weakAnimation = animation;
        entry.endTimer = Timer::scheduledTimer(std::max(0.0, end - now), false, [weakThis, weakAnimation](Timer&) {
            auto layer = weakThis.lock();
            auto animation = weakAnimation.lock();
            if (layer && animation)
                layer->animationDidEnd(animation);
        });
    }
    m_animations.push_back(std::move(entry));
    Transaction::animationAdded(*animation);
    std::weak_ptr<Animation> weakAnimation = animation;
    RunLoop::main().post([weakAnimation] {
        if (auto a = weakAnimation.lock())
            a->notifyDidStart();
    });
    if (auto self = weak_from_this().lock())
        AnimationEngine::shared().layerDidAddAnimation(self);
    else
        setNeedsComposite();
}

void Layer::animationDidEnd(const std::shared_ptr<Animation>& animation)
{
    auto protectedThis = shared_from_this();
    auto it = std::find_if(
        m_animations.begin(), m_animations.end(), [&](auto& e) { return e.animation == animation && !e.stopped; });
    if (it == m_animations.end())
        return;
    it->stopped = true;
    it->endTimer = nullptr;
    if (animation->isRemovedOnCompletion())
        m_animations.erase(it);
    setNeedsComposite();
    animation->notifyDidStop(true);
    Transaction::animationStopped(*animation);
}

void Layer::stopEntry(Entry& entry, bool finished)
{
    if (entry.endTimer)
        entry.endTimer->invalidate();
    entry.endTimer = nullptr;
    if (entry.stopped)
        return;
    entry.stopped = true;
    // Told in a later pass: a removal often happens inside a property setter,
    // and the delegate must not run in the middle of it.
    auto animation = entry.animation;
    RunLoop::main().post([animation, finished] {
        animation->notifyDidStop(finished);
        Transaction::animationStopped(*animation);
    });
}

void Layer::removeAnimation(const std::string& key)
{
    auto it = std::find_if(m_animations.begin(), m_animations.end(), [&](auto& e) { return e.key == key; });
    if (it == m_animations.end())
        return;
    Entry entry = std::move(*it);
    m_animations.erase(it);
    stopEntry(entry, false);
    setNeedsComposite();
}

void Layer::removeAllAnimations()
{
    auto entries = std::move(m_animations);
    m_animations.clear();
    for (auto& entry : entries)
        stopEntry(entry, false);
    setNeedsComposite();
}

std::shared_ptr<Animation> Layer::animationForKey(const std::string& key) const
{
    for (auto& entry : m_animations) {
        if (entry.key == key)
            return entry.animation;
    }
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const
{
    std::vector<std::string> keys;
    for (auto& entry : m_animations) {
        if (!entry.key.empty())
            keys.push_back(entry.key);
    }
    return keys;
}

bool Layer::isAnimating() const
{
    double now = currentMediaTime();
    for (auto& entry : m_animations) {
        if (!entry.stopped && now < entry.begin + entry.animation->endElapsed())
            return true;
    }
    return false;
}

// MARK: Rendering

void Layer::renderInContext(GraphicsContext& context)
{
    cairo_t* cr = context.cairo();
    double now = currentMediaTime();
    LayerProperties p = presentationAt(now);
    CairoStateSaver saver(cr);
    cairo_translate(cr, -p.bounds.origin.x, -p.bounds.origin.y);
    // The device scale decides the backing images' resolution.
    double sx = 1, sy = 1;
    cairo_user_to_device_distance(cr, &sx, &sy);
    renderContent(cr, p, std::max(std::abs(sx), 1.0), now);
}

void Layer::render(cairo_t* cr, double scale, double now)
{
    if (m_hidden)
        return;
    LayerProperties p = presentationAt(now);
    if (p.opacity <= 0.0)
        return;
    CairoStateSaver saver(cr);
    cairo_translate(cr, p.position.x, p.position.y);
    if (!p.transform.isIdentity()) {
        AffineTransform t = p.transform.affine();
        cairo_matrix_t matrix;
        cairo_matrix_init(&matrix, t.a, t.b, t.c, t.d, t.tx, t.ty);
        // A layer scaled to nothing draws nothing (and would make Cairo's matrix singular).
        if (std::abs(t.a * t.d - t.b * t.c) < 1e-12)
            return;
        cairo_transform(cr, &matrix);
    }
    cairo_translate(cr, -p.bounds.size.width * p.anchorPoint.x - p.bounds.origin.x,
        -p.bounds.size.height * p.anchorPoint.y - p.bounds.origin.y);
    bool group = p.opacity < 1.0;
    if (group)
        cairo_push_group(cr);
    if (!renderTransition(cr, p, now))
        renderContent(cr, p, scale, now);
    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, p.opacity);
    }
}

static void roundedRectPath(cairo_t* cr, const Rect& r, double radius)
{
    cairo_new_path(cr);
    if (radius <= 0) {
        cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
        return;
    }
    radius = std::min({ radius, r.width() / 2, r.height() / 2 });
    double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

cairo_surface_t* Layer::backingSurface(const Rect& bounds, double scale)
{
    if (!m_delegate || bounds.isEmpty())
        return nullptr;
    // The delegate's drawing is kept in a backing image at the screen's
    // scale and redrawn only when asked (setNeedsDisplay or a new size).
    if (m_needsDisplay || (m_backing && m_backingScale != scale)) {
        m_needsDisplay = false;
        m_backing = nullptr;
        int width = static_cast<int>(std::ceil(bounds.width() * scale));
        int height = static_cast<int>(std::ceil(bounds.height() * scale));
        // However large an animation makes the bounds, a backing image
        // stays within the decoder's pixel cap (64 MiB); a layer beyond
        // it shows no drawn content rather than exhaust memory.
        if (width > 0 && height > 0 && width <= 16384 && height <= 16384
            && static_cast<long long>(width) * height <= Image::kMaxPixels) {
            auto surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
            bool drew;
            {
                auto backing = adoptGRef(cairo_create(surface.get()));
                cairo_scale(backing.get(), scale, scale);
                cairo_translate(backing.get(), -bounds.origin.x, -bounds.origin.y);
                GraphicsContext context(backing.get());
                GraphicsContext::push(&context);
                drew = m_delegate->drawLayer(*this, context);
                GraphicsContext::pop();
            }
            if (drew) {
                cairo_surface_flush(surface.get());
                m_backing = std::move(surface);
                m_backingScale = scale;
                ++m_backingDraws;
            }
        }
    }
    return m_backing.get();
}

void Layer::renderContent(cairo_t* cr, const LayerProperties& p, double scale, double now)
{
    const Rect& bounds = p.bounds;
    CairoStateSaver saver(cr);
    if (m_masksToBounds) {
        roundedRectPath(cr, bounds, p.cornerRadius);
        cairo_clip(cr);
    }
    if (p.backgroundColor && p.backgroundColor->alpha > 0) {
        const Color& c = *p.backgroundColor;
        roundedRectPath(cr, bounds, p.cornerRadius);
        cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
        cairo_fill(cr);
    }
    if (m_contents) {
        GraphicsContext context(cr);
        context.drawImage(*m_contents, bounds);
    }
    if (cairo_surface_t* backing = backingSurface(bounds, scale)) {
        CairoStateSaver backingSaver(cr);
        cairo_translate(cr, bounds.origin.x, bounds.origin.y);
        cairo_scale(cr, 1.0 / m_backingScale, 1.0 / m_backingScale);
        cairo_set_source_surface(cr, backing, 0, 0);
        cairo_paint(cr);
    }
    // Sublayers are drawn in our bounds' coordinates.
    auto sublayers = m_sublayers;
    for (auto& sublayer : sublayers)
        sublayer->render(cr, scale, now);
    if (p.borderWidth > 0) {
        const Color& c = p.borderColor;
        Rect inset = bounds.insetBy(p.borderWidth / 2, p.borderWidth / 2);
        roundedRectPath(cr, inset, std::max(0.0, p.cornerRadius - p.borderWidth / 2));
        cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
        cairo_set_line_width(cr, p.borderWidth);
        cairo_stroke(cr);
    }
}

// Draws `image` over `bounds` turned by `angle` about the vertical centre line,
// in vertical strips each scaled for its depth (an eye 500 points away).
static void drawTurned(cairo_t* cr, const std::shared_ptr<Image>& image, const Rect& bounds, double angle)
{
    if (!image || image->pixelWidth() <= 0 || std::abs(std::cos(angle)) < 1e-3)
        return;
    constexpr double kEyeDistance = 500;
    constexpr int kStrips = 24;
    double halfWidth = bounds.width() / 2;
    double cosine = std::cos(angle), sine = std::sin(angle);
    double pixelsPerPoint = image->pixelWidth() / bounds.width();
    for (int i = 0; i < kStrips; ++i) {
        double u0 = -1 + 2.0 * i / kStrips, u1 = -1 + 2.0 * (i + 1) / kStrips;
        auto project = [&](double u) {
            double depth = u * halfWidth * sine;
            double scale = kEyeDistance / (kEyeDistance - depth);
            return std::pair { u * halfWidth * cosine * scale, scale };
        };
        auto [x0, s0] = project(u0);
        auto [x1, s1] = project(u1);
        double left = std::min(x0, x1), width = std::abs(x1 - x0);
        double heightScale = (s0 + s1) / 2;
        double sourceX = (u0 + 1) * halfWidth * pixelsPerPoint;
        double sourceWidth = (u1 - u0) * halfWidth * pixelsPerPoint;
        CairoStateSaver saver(cr);
        cairo_translate(cr, bounds.midX() + left, bounds.midY() - bounds.height() * heightScale / 2);
        // Hard strip edges: anti-aliased ones would leave faint seams between strips.
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr, 0, 0, width + 0.5, bounds.height() * heightScale);
        cairo_clip(cr);
        // Mirrored when seen from behind (cosine < 0) is never drawn: each side
        // shows only while it faces the viewer.
        cairo_scale(cr, width / sourceWidth, bounds.height() * heightScale / image->pixelHeight());
        cairo_set_source_surface(cr, image->surface(), -sourceX, 0);
        cairo_paint(cr);
    }
}

bool Layer::hasRunningTransition(double now) const
{
    for (auto& entry : m_animations) {
        auto* transition = dynamic_cast<TransitionAnimation*>(entry.animation.get());
        if (transition && !entry.stopped && transition->localTime(now - entry.begin))
            return true;
    }
    return false;
}

bool Layer::renderTransition(cairo_t* cr, const LayerProperties& p, double now) const
{
    for (auto& entry : m_animations) {
        auto* transition = dynamic_cast<TransitionAnimation*>(entry.animation.get());
        if (!transition || entry.stopped)
            continue;
        auto local = transition->localTime(now - entry.begin);
        if (!local)
            continue;
        double progress = transition->progress(*local);
        const Rect& bounds = p.bounds;
        auto draw = [&](const std::shared_ptr<Image>& image, double alpha, double xScale) {
            if (!image || std::abs(xScale) < 1e-3)
                return;
            CairoStateSaver saver(cr);
            cairo_translate(cr, bounds.midX(), bounds.midY());
            cairo_scale(cr, xScale, 1.0);
            cairo_translate(cr, -bounds.width() / 2, -bounds.height() / 2);
            cairo_scale(cr, bounds.width() / image->pixelWidth(), bounds.height() / image->pixelHeight());
            cairo_set_source_surface(cr, image->surface(), 0, 0);
            cairo_paint_with_alpha(cr, alpha);
        };
        switch (transition->type()) {
        case TransitionAnimation::Type::Fade:
            draw(transition->before(), 1.0 - progress, 1.0);
            draw(transition->after(), progress, 1.0);
            break;
        default: {
            // A turn about the vertical axis seen in perspective: the old side
            // turns away to an edge, then the new side turns in from it. The
            // turning edge nearer the viewer grows, the farther one shrinks.
            double angle = progress * M_PI;
            bool firstHalf = progress < 0.5;
            const auto& image = firstHalf ? transition->before() : transition->after();
            double turn = firstHalf ? angle : angle - M_PI; // the side's own angle, towards 0 at rest
            bool fromRight = transition->type() != TransitionAnimation::Type::FlipFromLeft;
            drawTurned(cr, image, bounds, fromRight ? turn : -turn);
            break;
        }
        }
        return true;
    }
    return false;
}
