#pragma once

#include "platform/ui/layers/Animation.h"

#include <memory>

class Image;

// A transition between two renderings of a layer: what it showed before a
// change and after it. While it runs the layer is drawn from the two snapshots.
class TransitionAnimation final : public Animation {
public:
    enum class Type { Fade, FlipFromLeft, FlipFromRight, CurlUp, CurlDown };

    static std::shared_ptr<TransitionAnimation> create(Type type)
    {
        return std::shared_ptr<TransitionAnimation>(new TransitionAnimation(type));
    }

    Type type() const { return m_type; }
    const std::shared_ptr<Image>& before() const { return m_before; }
    const std::shared_ptr<Image>& after() const { return m_after; }
    void setSnapshots(std::shared_ptr<Image> before, std::shared_ptr<Image> after)
    {
        m_before = std::move(before);
        m_after = std::move(after);
    }

    // Transitions change no property; the layer renders them itself.
    void apply(double, LayerProperties&, const LayerProperties&) const override { }

private:
    explicit TransitionAnimation(Type type)
        : m_type(type)
    {
    }

    Type m_type;
    std::shared_ptr<Image> m_before;
    std::shared_ptr<Image> m_after;
};
