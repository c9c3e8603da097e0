#pragma once

#include "platform/ui/layers/AnimationValue.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <string>
#include <vector>

class Image;
class Layer;

// One open beginAnimations/commitAnimations block: its settings, the
// animations its property changes made, and the did-stop bookkeeping. The
// handler runs once, when the last of its animations has stopped.
class ViewAnimationBlock : public std::enable_shared_from_this<ViewAnimationBlock> {
public:
    static std::shared_ptr<ViewAnimationBlock> current();
    static void begin(const std::string& animationID, void* context);
    static void commit();
    static bool enabled();
    static void setEnabled(bool);

    std::string animationID;
    void* context { nullptr };
    double duration { 0.2 };
    double delay { 0 };
    ViewAnimationCurve curve { ViewAnimationCurve::EaseInOut };
    double repeatCount { 0 };
    bool autoreverses { false };
    bool beginsFromCurrentState { false };
    View::AnimationDidStop didStop;
    std::function<void(const std::string&, void*)> willStart;

    // A property of `layer` changed from the model value `from`.
    void animate(Layer&, const std::string& keyPath, const AnimationValue& from);
    void setTransition(ViewAnimationTransition, View*);

private:
    void finishCommit();
    void animationStopped(bool finished);

    int m_pending { 0 };
    bool m_allFinished { true };
    bool m_committed { false };
    bool m_reported { false };
    ViewAnimationTransition m_transition { ViewAnimationTransition::None };
    std::weak_ptr<View> m_transitionView;
    std::shared_ptr<Image> m_before;
};
