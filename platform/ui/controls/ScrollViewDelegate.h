#pragma once

class ScrollView;

// What a scroll view tells its owner. Every operation is optional.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;

    // The content offset changed, for whatever reason (a drag, deceleration,
    // an animated or direct setContentOffset).
    virtual void scrollViewDidScroll(ScrollView&) { }
    // A touch moved far enough to become a drag.
    virtual void scrollViewWillBeginDragging(ScrollView&) { }
    // The finger lifted after a drag; `willDecelerate` when the content moves on.
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) { }
    // The content came to rest after a drag.
    virtual void scrollViewDidEndDecelerating(ScrollView&) { }
    // An animated setContentOffset reached its end.
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) { }
};
