#include "platform/ui/layers/Transaction.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/layers/Animation.h"

#include <algorithm>
#include <map>
#include <memory>

struct Transaction::Group {
    std::function<void()> completion;
    double duration { 0.25 };
    bool disableActions { false };
    int pending { 0 };
    bool committed { false };
};

namespace {

// Which transaction each running animation belongs to.
std::map<const Animation*, std::shared_ptr<Transaction::Group>>& membership()
{
    static std::map<const Animation*, std::shared_ptr<Transaction::Group>> members;
    return members;
}

void finishIfDone(const std::shared_ptr<Transaction::Group>& group)
{
    if (group->committed && group->pending == 0 && group->completion) {
        auto completion = std::move(group->completion);
        group->completion = nullptr;
        completion();
    }
}

} // namespace

std::vector<std::shared_ptr<Transaction::Group>>& Transaction::stack()
{
    static std::vector<std::shared_ptr<Group>> groups;
    return groups;
}

void Transaction::begin()
{
    auto group = std::make_shared<Group>();
    if (!stack().empty()) {
        group->duration = stack().back()->duration;
        group->disableActions = stack().back()->disableActions;
    }
    stack().push_back(std::move(group));
}

void Transaction::commit()
{
    if (stack().empty())
        return;
    auto group = stack().back();
    stack().pop_back();
    group->committed = true;
    if (group->pending == 0 && group->completion)
        RunLoop::main().post([group] { finishIfDone(group); });
}

void Transaction::setCompletionBlock(std::function<void()> block)
{
    if (!stack().empty())
        stack().back()->completion = std::move(block);
}

void Transaction::setAnimationDuration(double duration)
{
    if (!stack().empty())
        stack().back()->duration = duration;
}

double Transaction::animationDuration()
{
    return stack().empty() ? 0.25 : stack().back()->duration;
}

void Transaction::setDisableActions(bool disable)
{
    if (!stack().empty())
        stack().back()->disableActions = disable;
}

bool Transaction::disableActions()
{
    return !stack().empty() && stack().back()->disableActions;
}

void Transaction::animationAdded(Animation& animation)
{
    if (stack().empty())
        return;
    auto& group = stack().back();
    ++group->pending;
    membership()[&animation] = group;
}

void Transaction::animationStopped(Animation& animation)
{
    auto it = membership().find(&animation);
    if (it == membership().end())
        return;
    auto group = it->second;
    membership().erase(it);
    --group->pending;
    finishIfDone(group);
}
