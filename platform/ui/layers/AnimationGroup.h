#pragma once

#include "platform/ui/layers/Animation.h"

#include <vector>

// Runs its animations together on its own time line: their begin times are
// relative to the group's, and the group's duration cuts them off.
class AnimationGroup final : public Animation {
public:
    static std::shared_ptr<AnimationGroup> create() { return std::shared_ptr<AnimationGroup>(new AnimationGroup); }

    const std::vector<std::shared_ptr<Animation>>& animations() const { return m_animations; }
    void setAnimations(std::vector<std::shared_ptr<Animation>> a) { m_animations = std::move(a); }

    void apply(double elapsed, LayerProperties&, const LayerProperties& model) const override;

private:
    AnimationGroup() = default;
    std::vector<std::shared_ptr<Animation>> m_animations;
};
