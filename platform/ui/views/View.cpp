#include "platform/ui/views/View.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"
#include "platform/ui/views/ViewAnimationBlock.h"
#include "platform/ui/views/ViewController.h"
#include "platform/ui/views/Window.h"

#include <algorithm>
#include <cmath>

View::View(const Rect& frame)
    : m_layer(Layer::create())
{
    m_layer->setDelegate(this);
    m_layer->setFrame(frame);
}

View::~View()
{
    m_layer->setDelegate(nullptr);
    for (auto& subview : m_subviews)
        subview->m_superview = nullptr;
}

void View::propertyChanged(const std::string& keyPath, const AnimationValue& from)
{
    if (auto block = ViewAnimationBlock::current())
        block->animate(*m_layer, keyPath, from);
}

void View::setFrame(const Rect& frame)
{
    Point oldPosition = m_layer->position();
    Rect oldBounds = m_layer->bounds();
    m_layer->setFrame(frame);
    if (m_layer->position() != oldPosition)
        propertyChanged("position", oldPosition);
    if (m_layer->bounds() != oldBounds) {
        propertyChanged("bounds", oldBounds);
        resizeSubviews(oldBounds.size);
        setNeedsLayout();
        if (m_viewController && m_layer->bounds().size != oldBounds.size)
            m_viewController->viewDidChangeSize(oldBounds.size);
    }
}

void View::setBounds(const Rect& bounds)
{
    Rect oldBounds = m_layer->bounds();
    if (bounds == oldBounds)
        return;
    m_layer->setBounds(bounds);
    propertyChanged("bounds", oldBounds);
    if (bounds.size != oldBounds.size) {
        resizeSubviews(oldBounds.size);
        setNeedsLayout();
        if (m_viewController)
            m_viewController->viewDidChangeSize(oldBounds.size);
    }
}

void View::setCenter(Point center)
{
    Point old = m_layer->position();
    m_layer->setPosition(center);
    if (old != center)
        propertyChanged("position", old);
}

void View::setTransform(const AffineTransform& transform)
{
    Transform3D old = m_layer->transform();
    Transform3D updated = Transform3D::fromAffine(transform);
    m_layer->setTransform(updated);
    if (!(old == updated))
        propertyChanged("transform", old);
}

void View::setAlpha(double alpha)
{
    double old = m_layer->opacity();
    alpha = std::clamp(alpha, 0.0, 1.0);
    m_layer->setOpacity(alpha);
    if (old != alpha)
        propertyChanged("opacity", old);
}

void View::setHidden(bool hidden)
{
    m_layer->setHidden(hidden);
}

void View::setBackgroundColor(std::optional<Color> color)
{
    std::optional<Color> old = m_layer->backgroundColor();
    m_layer->setBackgroundColor(color);
    if (old != color)
        propertyChanged("backgroundColor", old.value_or(color ? color->withAlpha(0) : Color::clear()));
}

// MARK: Hierarchy

Window* View::window() const
{
    const View* view = this;
    while (view->m_superview)
        view = view->m_superview;
    return dynamic_cast<Window*>(const_cast<View*>(view));
}

void View::addSubview(std::shared_ptr<View> view)
{
    insertSubview(std::move(view), m_subviews.size());
}

void View::insertSubview(std::shared_ptr<View> view, size_t index)
{
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    Window* oldWindow = view->window();
    if (view->m_superview == this) {
        // Moving within the same superview: only the order changes.
        auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
        size_t oldIndex = static_cast<size_t>(it - m_subviews.begin());
        m_subviews.erase(it);
        if (index > oldIndex)
            --index;
    } else if (view->m_superview) {
        view->m_superview->willRemoveSubview(view.get());
    }
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->m_superview = this;
    m_layer->insertSublayer(view->m_layer, index);
    view->didMoveToSuperview();
    if (view->window() != oldWindow)
        view->notifyMovedToWindow();
}

void View::insertSubviewAbove(std::shared_ptr<View> view, View* sibling)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == sibling; });
    size_t index = it == m_subviews.end() ? m_subviews.size() : static_cast<size_t>(it - m_subviews.begin()) + 1;
    insertSubview(std::move(view), index);
}

void View::insertSubviewBelow(std::shared_ptr<View> view, View* sibling)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == sibling; });
    size_t index = it == m_subviews.end() ? 0 : static_cast<size_t>(it - m_subviews.begin());
    insertSubview(std::move(view), index);
}

void View::willRemoveSubview(View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    m_subviews.erase(it);
    view->m_superview = nullptr;
    view->m_layer->removeFromSuperlayer();
}

void View::removeFromSuperview()
{
    if (!m_superview)
        return;
    // The superview may hold the last reference to us.
    auto protectedThis = shared_from_this();
    bool hadWindow = window() != nullptr;
    m_superview->willRemoveSubview(this);
    didMoveToSuperview();
    if (hadWindow)
        notifyMovedToWindow();
}

void View::notifyMovedToWindow()
{
    didMoveToWindow();
    auto subviews = m_subviews;
    for (auto& subview : subviews)
        subview->notifyMovedToWindow();
}

void View::bringSubviewToFront(View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    auto keep = *it;
    m_subviews.erase(it);
    m_subviews.push_back(keep);
    m_layer->insertSublayer(keep->m_layer, m_subviews.size() - 1);
}

void View::sendSubviewToBack(View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    auto keep = *it;
    m_subviews.erase(it);
    m_subviews.insert(m_subviews.begin(), keep);
    m_layer->insertSublayer(keep->m_layer, 0);
}

View* View::viewWithTag(int tag)
{
    if (m_tag == tag)
        return this;
    for (auto& subview : m_subviews) {
        if (View* found = subview->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

bool View::isDescendantOfView(const View* view) const
{
    for (const View* v = this; v; v = v->m_superview) {
        if (v == view)
            return true;
    }
    return false;
}

// MARK: Coordinates

static AffineTransform toSuperview(const Layer& layer)
{
    const LayerProperties& m = layer.model();
    return AffineTransform::makeTranslation(-m.bounds.origin.x - m.bounds.size.width * m.anchorPoint.x,
        -m.bounds.origin.y - m.bounds.size.height * m.anchorPoint.y)
        .concat(m.transform.affine())
        .concat(AffineTransform::makeTranslation(m.position.x, m.position.y));
}

AffineTransform View::transformToWindow() const
{
    AffineTransform t;
    for (const View* v = this; v->m_superview; v = v->m_superview)
        t = t.concat(toSuperview(v->layer()));
    return t;
}

// Views in different windows meet in screen coordinates.
static AffineTransform toScreen(const View* view)
{
    AffineTransform t = view->transformToWindow();
    const View* root = view;
    while (root->superview())
        root = root->superview();
    if (dynamic_cast<const Window*>(root))
        t = t.concat(toSuperview(root->layer()));
    return t;
}

static const View* rootOf(const View* view)
{
    while (view->superview())
        view = view->superview();
    return view;
}

Point View::convertPoint(Point point, const View* fromView) const
{
    if (!fromView)
        return transformToWindow().inverted().apply(point);
    if (rootOf(fromView) == rootOf(this))
        return transformToWindow().inverted().apply(fromView->transformToWindow().apply(point));
    return toScreen(this).inverted().apply(toScreen(fromView).apply(point));
}

Point View::convertPointToView(Point point, const View* toView) const
{
    if (!toView)
        return transformToWindow().apply(point);
    return toView->convertPoint(point, this);
}

Rect View::convertRect(const Rect& rect, const View* fromView) const
{
    AffineTransform from = fromView ? fromView->transformToWindow() : AffineTransform {};
    AffineTransform t;
    if (!fromView || rootOf(fromView) == rootOf(this))
        t = from.concat(transformToWindow().inverted());
    else
        t = toScreen(fromView).concat(toScreen(this).inverted());
    return t.apply(rect);
}

Rect View::convertRectToView(const Rect& rect, const View* toView) const
{
    if (!toView)
        return transformToWindow().apply(rect);
    return toView->convertRect(rect, this);
}

// MARK: Drawing and layout

void View::setNeedsDisplay()
{
    m_layer->setNeedsDisplay();
}

void View::drawRect(const Rect&)
{
    m_drawRectIsEmpty = true;
}

bool View::drawLayer(Layer&, GraphicsContext&)
{
    // Views that do not override drawRect keep no backing image.
    m_drawRectIsEmpty = false;
    drawRect(bounds());
    return !m_drawRectIsEmpty;
}

void View::sizeToFit()
{
    Size size = sizeThatFits(bounds().size);
    Rect f = frame();
    setFrame({ f.origin, size });
}

void View::setNeedsLayout()
{
    m_needsLayout = true;
}

void View::layoutIfNeeded()
{
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSubviews();
    }
    auto subviews = m_subviews;
    for (auto& subview : subviews)
        subview->layoutIfNeeded();
}

void View::resizeSubviews(Size oldSize)
{
    if (!m_autoresizesSubviews)
        return;
    Size newSize = bounds().size;
    double dw = newSize.width - oldSize.width;
    double dh = newSize.height - oldSize.height;
    if (dw == 0 && dh == 0)
        return;
    auto subviews = m_subviews;
    for (auto& subview : subviews) {
        unsigned mask = subview->m_autoresizingMask;
        if (mask == AutoresizingNone)
            continue;
        Rect f = subview->frame();
        // The size change is shared among the flexible parts of each axis, in
        // proportion to their current sizes.
        auto distribute = [](double delta, double lead, double size, double trail, bool flexLead, bool flexSize,
                              bool flexTrail, double& newLead, double& newSize) {
            double total = (flexLead ? lead : 0) + (flexSize ? size : 0) + (flexTrail ? trail : 0);
            int flexCount = flexLead + flexSize + flexTrail;
            newLead = lead;
            newSize = size;
            if (flexCount == 0)
                return;
            if (total <= 0) {
                if (flexLead)
                    newLead += delta / flexCount;
                if (flexSize)
                    newSize += delta / flexCount;
                return;
            }
            if (flexLead)
                newLead += delta * lead / total;
            if (flexSize)
                newSize += delta * size / total;
        };
        double x, w, y, h;
        distribute(dw, f.minX(), f.width(), oldSize.width - f.maxX(), mask & AutoresizingFlexibleLeftMargin,
            mask & AutoresizingFlexibleWidth, mask & AutoresizingFlexibleRightMargin, x, w);
        distribute(dh, f.minY(), f.height(), oldSize.height - f.maxY(), mask & AutoresizingFlexibleTopMargin,
            mask & AutoresizingFlexibleHeight, mask & AutoresizingFlexibleBottomMargin, y, h);
        subview->setFrame({ x, y, std::max(0.0, w), std::max(0.0, h) });
    }
}

// MARK: Touches

bool View::pointInside(Point point) const
{
    return bounds().contains(point);
}

View* View::hitTest(Point point)
{
    if (isHidden() || alpha() < 0.01 || !m_userInteractionEnabled)
        return nullptr;
    if (!pointInside(point))
        return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        View* subview = it->get();
        AffineTransform t = toSuperview(subview->layer());
        // A subview scaled to nothing cannot be hit.
        if (std::abs(t.a * t.d - t.b * t.c) < 1e-12)
            continue;
        Point local = t.inverted().apply(point);
        if (View* hit = subview->hitTest(local))
            return hit;
    }
    return this;
}

Responder* View::nextResponder() const
{
    if (m_viewController)
        return m_viewController;
    return m_superview;
}

std::vector<AccessibleElement> View::accessibleElements()
{
    auto text = accessibilityText();
    if (!text || text->empty())
        return {};
    return { AccessibleElement { *text, bounds(), this } };
}

// MARK: Animation blocks

void View::beginAnimations(const std::string& animationID, void* context)
{
    ViewAnimationBlock::begin(animationID, context);
}

void View::commitAnimations()
{
    ViewAnimationBlock::commit();
}

void View::setAnimationDuration(double duration)
{
    if (auto block = ViewAnimationBlock::current())
        block->duration = duration;
}

void View::setAnimationDelay(double delay)
{
    if (auto block = ViewAnimationBlock::current())
        block->delay = delay;
}

void View::setAnimationCurve(ViewAnimationCurve curve)
{
    if (auto block = ViewAnimationBlock::current())
        block->curve = curve;
}

void View::setAnimationRepeatCount(double count)
{
    if (auto block = ViewAnimationBlock::current())
        block->repeatCount = count;
}

void View::setAnimationRepeatAutoreverses(bool autoreverses)
{
    if (auto block = ViewAnimationBlock::current())
        block->autoreverses = autoreverses;
}

void View::setAnimationBeginsFromCurrentState(bool fromCurrent)
{
    if (auto block = ViewAnimationBlock::current())
        block->beginsFromCurrentState = fromCurrent;
}

void View::setAnimationDidStopHandler(AnimationDidStop handler)
{
    if (auto block = ViewAnimationBlock::current())
        block->didStop = std::move(handler);
}

void View::setAnimationWillStartHandler(std::function<void(const std::string&, void*)> handler)
{
    if (auto block = ViewAnimationBlock::current())
        block->willStart = std::move(handler);
}

void View::setAnimationTransition(ViewAnimationTransition transition, View* view, bool)
{
    if (auto block = ViewAnimationBlock::current())
        block->setTransition(transition, view);
}

void View::setAnimationsEnabled(bool enabled)
{
    ViewAnimationBlock::setEnabled(enabled);
}

bool View::areAnimationsEnabled()
{
    return ViewAnimationBlock::enabled();
}

void View::applyInterfaceProperties(const InterfaceProperties& properties)
{
    if (auto frame = properties.rect("frame"))
        setFrame(*frame);
    // A value that is no colour clears the background.
    if (properties.has("backgroundColor"))
        setBackgroundColor(properties.color("backgroundColor"));
    if (auto alpha = properties.number("alpha"))
        setAlpha(*alpha);
    if (auto hidden = properties.boolean("hidden"))
        setHidden(*hidden);
    if (auto tag = properties.number("tag"))
        setTag(static_cast<int>(*tag));
    if (auto enabled = properties.boolean("userInteractionEnabled"))
        setUserInteractionEnabled(*enabled);
    if (auto clips = properties.boolean("clipsToBounds"))
        setClipsToBounds(*clips);
    if (auto mask = properties.number("autoresizingMask"))
        setAutoresizingMask(static_cast<unsigned>(*mask));
    if (auto label = properties.value("accessibilityLabel"); label && label->isString())
        setAccessibilityLabel(std::string(label->stringValue()));
}
