#pragma once

class Animation;

// Told when a layer animation starts and stops. `finished` is false when the
// animation was removed (or replaced) before it had run its whole time.
class AnimationDelegate {
public:
    virtual ~AnimationDelegate() = default;
    virtual void animationDidStart(Animation&) { }
    virtual void animationDidStop(Animation&, bool finished) = 0;
};
