#pragma once

#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/layers/LayerDelegate.h"
#include "platform/ui/views/AccessibleElement.h"
#include "platform/ui/views/AutoresizingMask.h"
#include "platform/ui/views/Responder.h"
#include "platform/ui/views/ViewAnimationCurve.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GraphicsContext;
class InterfaceProperties;
class ViewController;
class Window;

// A rectangle on screen that draws itself and takes touches. Views form a
// retained tree (a view owns its subviews); each is backed by a Layer that
// holds its geometry and animations. Inside an animation block (see
// beginAnimations) changes to frame, center, bounds, transform, alpha and
// background colour are animated; outside one they are immediate.
class View : public Responder, public LayerDelegate {
public:
    explicit View(const Rect& frame = {});
    ~View() override;

    template <typename T = View, typename... Args> static std::shared_ptr<T> make(Args&&... args)
    {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }
    std::shared_ptr<View> sharedView() { return std::static_pointer_cast<View>(shared_from_this()); }

    Layer& layer() const { return *m_layer; }
    const std::shared_ptr<Layer>& sharedLayer() const { return m_layer; }

    // Geometry
    Rect frame() const { return m_layer->frame(); }
    void setFrame(const Rect&);
    Rect bounds() const { return m_layer->bounds(); }
    void setBounds(const Rect&);
    Point center() const { return m_layer->position(); }
    void setCenter(Point);
    AffineTransform transform() const { return m_layer->transform().affine(); }
    void setTransform(const AffineTransform&);

    // Appearance
    double alpha() const { return m_layer->opacity(); }
    void setAlpha(double);
    bool isHidden() const { return m_layer->isHidden(); }
    void setHidden(bool);
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool o) { m_opaque = o; }
    const std::optional<Color>& backgroundColor() const { return m_layer->backgroundColor(); }
    void setBackgroundColor(std::optional<Color>);
    bool clipsToBounds() const { return m_layer->masksToBounds(); }
    void setClipsToBounds(bool c) { m_layer->setMasksToBounds(c); }

    // Identity and behaviour
    int tag() const { return m_tag; }
    void setTag(int t) { m_tag = t; }
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool e) { m_userInteractionEnabled = e; }
    bool isMultipleTouchEnabled() const { return m_multipleTouchEnabled; }
    void setMultipleTouchEnabled(bool e) { m_multipleTouchEnabled = e; }
    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned m) { m_autoresizingMask = m; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool a) { m_autoresizesSubviews = a; }
    const std::optional<std::string>& accessibilityLabel() const { return m_accessibilityLabel; }
    void setAccessibilityLabel(std::optional<std::string> l) { m_accessibilityLabel = std::move(l); }

    // Hierarchy
    View* superview() const { return m_superview; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    Window* window() const;
    void addSubview(std::shared_ptr<View>);
    void insertSubview(std::shared_ptr<View>, size_t index);
    void insertSubviewAbove(std::shared_ptr<View>, View* sibling);
    void insertSubviewBelow(std::shared_ptr<View>, View* sibling);
    void removeFromSuperview();
    void bringSubviewToFront(View*);
    void sendSubviewToBack(View*);
    // This view or the first descendant (depth first) with the tag.
    View* viewWithTag(int tag);
    bool isDescendantOfView(const View*) const;

    // Coordinates. A null view means the window's coordinates.
    Point convertPoint(Point, const View* fromView) const;
    Point convertPointToView(Point, const View* toView) const;
    Rect convertRect(const Rect&, const View* fromView) const;
    Rect convertRectToView(const Rect&, const View* toView) const;
    // From this view's coordinates to its window's (or its root's).
    AffineTransform transformToWindow() const;

    // Drawing
    void setNeedsDisplay();
    // Draws the view's content in its bounds; a view that draws nothing need not override.
    virtual void drawRect(const Rect&);
    bool drawLayer(Layer&, GraphicsContext&) override;

    // Layout
    virtual Size sizeThatFits(Size) const { return bounds().size; }
    void sizeToFit();
    virtual void layoutSubviews() { }
    void setNeedsLayout();
    void layoutIfNeeded();

    // Touches
    // The deepest visible, interactive descendant containing `point` (in this view's coordinates).
    virtual View* hitTest(Point);
    virtual bool pointInside(Point) const;
    Responder* nextResponder() const override;
    ViewController* viewController() const { return m_viewController; }
    void setViewController(ViewController* c) { m_viewController = c; }
    // Views that scroll see a touch that begins in one of their subviews
    // alongside it, and may take it over once it becomes a drag: the subview's
    // touch is then cancelled and the rest goes to this view alone. With the
    // delay, the subview sees the touch only once it is clearly not a drag (or
    // when it ends).
    virtual bool tracksSubviewTouches() const { return false; }
    virtual bool delaysSubviewTouches() const { return false; }
    virtual bool hasTakenOverTouch() const { return false; }

    // Accessibility: the text a script or screen reader finds this view by.
    virtual std::optional<std::string> accessibilityText() const { return m_accessibilityLabel; }
    // The findable parts of this view, in its coordinates.
    virtual std::vector<AccessibleElement> accessibleElements();

    // Interface descriptions: the view reads its own properties from its
    // entry; a subclass reads its keys after its superclass's.
    virtual void applyInterfaceProperties(const InterfaceProperties&);

    // Notifications
    virtual void didMoveToSuperview() { }
    virtual void didMoveToWindow() { }

    // Animation blocks
    static void beginAnimations(const std::string& animationID = {}, void* context = nullptr);
    static void commitAnimations();
    static void setAnimationDuration(double);
    static void setAnimationDelay(double);
    static void setAnimationCurve(ViewAnimationCurve);
    static void setAnimationRepeatCount(double);
    static void setAnimationRepeatAutoreverses(bool);
    static void setAnimationBeginsFromCurrentState(bool);
    // Called with the block's identifier, whether all its animations ran to
    // the end, and its context. The delegate's did-stop selector.
    using AnimationDidStop = std::function<void(const std::string& animationID, bool finished, void* context)>;
    static void setAnimationDidStopHandler(AnimationDidStop);
    static void setAnimationWillStartHandler(std::function<void(const std::string&, void*)>);
    static void setAnimationTransition(ViewAnimationTransition, View* view, bool cache);
    static void setAnimationsEnabled(bool);
    static bool areAnimationsEnabled();

protected:
    // The layer property `keyPath` changed from `from` (model value): animate it
    // if an animation block is open.
    void propertyChanged(const std::string& keyPath, const AnimationValue& from);

private:
    void resizeSubviews(Size oldSize);
    void willRemoveSubview(View*);
    void notifyMovedToWindow();

    std::shared_ptr<Layer> m_layer;
    View* m_superview { nullptr }; // owns us
    std::vector<std::shared_ptr<View>> m_subviews;
    ViewController* m_viewController { nullptr }; // owns us
    bool m_opaque { true };
    int m_tag { 0 };
    bool m_userInteractionEnabled { true };
    bool m_multipleTouchEnabled { false };
    unsigned m_autoresizingMask { AutoresizingNone };
    bool m_autoresizesSubviews { true };
    bool m_needsLayout { false };
    bool m_drawRectIsEmpty { false };
    std::optional<std::string> m_accessibilityLabel;
};
