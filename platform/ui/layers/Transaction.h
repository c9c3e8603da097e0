#pragma once

#include <functional>
#include <memory>
#include <vector>

class Animation;

// Groups the animations added between begin() and commit(): the completion
// block runs once all of them have stopped (at once, in a later pass, when
// there were none). Transactions nest; each keeps its own completion block.
class Transaction {
public:
    static void begin();
    static void commit();
    static void setCompletionBlock(std::function<void()>);
    static void setAnimationDuration(double);
    static double animationDuration();
    static void setDisableActions(bool);
    static bool disableActions();

    // Called by layers: the animation joins the innermost open transaction.
    static void animationAdded(Animation&);
    static void animationStopped(Animation&);

    // One open or committed transaction; internal.
    struct Group;

private:
    static std::vector<std::shared_ptr<Group>>& stack();
};
