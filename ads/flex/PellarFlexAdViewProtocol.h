#pragma once

#include "json/JSONValue.h"

#include <memory>
#include <optional>
#include <string>

class Animation;
class PellarFlexAdContainerView;
class View;

// What every view of a flexible ad offers the container: an animation
// started when the banner first appears, a tag naming the view in click
// data, and the view's interaction history for that data. The container and
// the element views adopt it; the container finds them with a dynamic cast
// while it walks its view tree.
class PellarFlexAdViewProtocol {
public:
    virtual ~PellarFlexAdViewProtocol() = default;

    // The view's animation (owned), possibly none.
    const std::shared_ptr<Animation>& animation() const { return m_animation; }
    void setAnimation(std::shared_ptr<Animation>);
    // The name of the view in click data, possibly none.
    const std::optional<std::string>& uiTag() const { return m_uiTag; }
    void setUiTag(std::optional<std::string> tag) { m_uiTag = std::move(tag); }

    // What the user did to the view, or none.
    virtual std::optional<JSONValue> userInteractionHistory() const = 0;
    // Adds the animation to the view's layer, under no key; nothing when there is none.
    virtual void viewDidAppear();
    // Views that time their touch records take the container (not owned);
    // answers whether this view does.
    virtual bool setContainerView(std::weak_ptr<PellarFlexAdContainerView>) { return false; }

protected:
    // The view that adopts the protocol.
    virtual View& flexView() = 0;

private:
    std::shared_ptr<Animation> m_animation;
    // A description's group begin time, kept as a delay: see setAnimation().
    double m_animationDelay { 0 };
    std::optional<std::string> m_uiTag;
};
