#include "app/defects/PanelVerdict.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace {

// Two or more faults of one group with each member inside a 5 × 5 block of
// another member of the same cluster. Marks are sorted by x so only the
// neighbours within the block's width are compared.
std::vector<std::vector<const DefectMark*>> findClusters(std::vector<const DefectMark*> marks)
{
    std::sort(marks.begin(), marks.end(), [](auto* a, auto* b) { return a->x < b->x; });
    std::vector<size_t> parent(marks.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    constexpr int kReach = PanelVerdict::kClusterBlock - 1;
    for (size_t i = 0; i < marks.size(); ++i) {
        for (size_t j = i + 1; j < marks.size() && marks[j]->x - marks[i]->x <= kReach; ++j) {
            if (std::abs(marks[j]->y - marks[i]->y) <= kReach)
                parent[root(j)] = root(i);
        }
    }
    std::vector<std::vector<const DefectMark*>> groups(marks.size());
    for (size_t i = 0; i < marks.size(); ++i)
        groups[root(i)].push_back(marks[i]);
    std::erase_if(groups, [](auto& group) { return group.size() < 2; });
    return groups;
}

std::string millions(long long pixels)
{
    double value = static_cast<double>(pixels) / 1e6;
    char text[32];
    std::snprintf(text, sizeof text, value >= 10 ? "%.0f" : value >= 1 ? "%.1f" : "%.2f", value);
    return text;
}

std::string counted(int count, PanelVerdict::Limit limit)
{
    static constexpr const char* kNouns[][2] = {
        { "hot pixel", "hot pixels" },
        { "dead pixel", "dead pixels" },
        { "stuck sub-pixel", "stuck sub-pixels" },
        { "cluster of hot or dead pixels", "clusters of hot or dead pixels" },
        { "cluster of stuck sub-pixels", "clusters of stuck sub-pixels" },
    };
    return std::to_string(count) + " " + kNouns[limit][count == 1 ? 0 : 1];
}

} // namespace

long long PanelVerdict::allowed(int perMillion, long long pixels)
{
    // Whole numbers throughout: the boundary must not wobble with floating point.
    return static_cast<long long>(perMillion) * pixels / 1'000'000;
}

PanelVerdict PanelVerdict::evaluate(const std::vector<DefectMark>& marks, int width, int height)
{
    PanelVerdict verdict;
    verdict.m_pixels = static_cast<long long>(std::max(width, 0)) * std::max(height, 0);
    std::vector<const DefectMark*> hotOrDead, stuck;
    for (auto& mark : marks) {
        if (!mark.madeInMode(width, height))
            continue;
        switch (DefectMark::faultType(mark.kind)) {
        case 1:
            ++verdict.m_counts[HotPixels];
            hotOrDead.push_back(&mark);
            break;
        case 2:
            ++verdict.m_counts[DeadPixels];
            hotOrDead.push_back(&mark);
            break;
        default:
            ++verdict.m_counts[StuckSubPixels];
            stuck.push_back(&mark);
            break;
        }
    }
    for (auto* group : { &hotOrDead, &stuck }) {
        for (auto& cluster : findClusters(std::move(*group))) {
            ++verdict.m_counts[group == &hotOrDead ? HotOrDeadClusters : StuckClusters];
            Rect box { static_cast<double>(cluster[0]->x), static_cast<double>(cluster[0]->y), 1, 1 };
            for (auto* mark : cluster)
                box = box.unionWith({ static_cast<double>(mark->x), static_cast<double>(mark->y), 1, 1 });
            verdict.m_clusterBounds.push_back(box);
        }
    }

    auto meets = [&](const PanelClass& panelClass) {
        for (int limit = 0; limit < kLimitCount; ++limit) {
            if (verdict.m_counts[limit] > allowed(panelClass.perMillion[limit], verdict.m_pixels))
                return false;
        }
        return true;
    };
    for (size_t i = 0; i < kClasses.size(); ++i) {
        if (meets(kClasses[i])) {
            verdict.m_class = i;
            break;
        }
    }
    // The limit named is the one the next better class is furthest over;
    // a limit that allows nothing is over by more than any that allows some.
    size_t better = verdict.m_class ? *verdict.m_class : kClasses.size();
    if (better == 0)
        return verdict;
    const PanelClass& next = kClasses[better - 1];
    double worst = 0;
    for (int limit = 0; limit < kLimitCount; ++limit) {
        long long allowedHere = allowed(next.perMillion[limit], verdict.m_pixels);
        if (verdict.m_counts[limit] <= allowedHere)
            continue;
        double over = static_cast<double>(verdict.m_counts[limit]) / static_cast<double>(allowedHere + 1);
        if (!verdict.m_limiting || over > worst) {
            verdict.m_limiting = static_cast<Limit>(limit);
            worst = over;
        }
    }
    return verdict;
}

std::string PanelVerdict::className() const
{
    return m_class ? kClasses[*m_class].name : "none";
}

const char* PanelVerdict::limitName(Limit limit)
{
    static constexpr const char* kNames[] = { "hot", "dead", "stuck", "hot-or-dead-clusters", "stuck-clusters" };
    return kNames[limit];
}

std::string PanelVerdict::summary() const
{
    std::string panel = " on " + millions(m_pixels) + " million pixels";
    std::string head = m_class ? "Class " + className() + ": " : std::string("No class: ");
    if (!m_limiting)
        return head + "no faulty pixels" + panel;
    Limit limit = *m_limiting;
    const PanelClass& next = kClasses[m_class ? *m_class - 1 : kClasses.size() - 1];
    int perMillion = next.perMillion[limit];
    std::string text = head + counted(m_counts[limit], limit) + panel + "; class " + next.name + " allows ";
    if (perMillion == 0)
        return text + "none";
    return text + std::to_string(perMillion) + " per million, " + std::to_string(allowed(perMillion, m_pixels))
        + " here";
}
