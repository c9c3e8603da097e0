#pragma once

#include "app/defects/DefectMark.h"
#include "platform/ui/graphics/Rect.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Grades a panel by its faulty pixels against the pixel-fault classes that
// makers and shops judge warranty claims by: the counts of each fault type,
// and the clusters of them, scaled to the panel's pixel count. The verdict is
// the best class the panel still meets, and the one limit that keeps it out
// of the next better class.
class PanelVerdict {
public:
    // What a class limits, in the order of the table's columns.
    enum Limit { HotPixels, DeadPixels, StuckSubPixels, HotOrDeadClusters, StuckClusters, kLimitCount };

    struct PanelClass {
        const char* name;
        // Faults allowed per million pixels, one number a limit.
        std::array<int, kLimitCount> perMillion;
    };

    // Best first. Class I allows nothing; a panel beyond class IV has no class.
    static constexpr std::array<PanelClass, 4> kClasses { {
        { "I", { 0, 0, 0, 0, 0 } },
        { "II", { 2, 2, 5, 0, 2 } },
        { "III", { 5, 15, 50, 0, 5 } },
        { "IV", { 50, 150, 500, 5, 50 } },
    } };

    // Faults closer than this in both directions (inside one 5 × 5 pixel
    // block) belong to one cluster.
    static constexpr int kClusterBlock = 5;

    // Scaling rounds down: a limit allows floor(perMillion × pixels / 1 000 000)
    // faults, so a panel never passes on a fraction of a pixel. The panel
    // then meets a class while every count is at most what it allows.
    static constexpr const char* kRoundingRule = "Each limit is scaled to the panel and rounded down: a class allows "
                                                 "floor(limit per million x pixels / 1,000,000) faults of a kind.";
    static long long allowed(int perMillion, long long pixels);

    // Counts the marks made in the panel's current mode; marks made in
    // another mode are left out, as their places may no longer fit this one.
    static PanelVerdict evaluate(const std::vector<DefectMark>&, int width, int height);

    long long pixels() const { return m_pixels; }
    int count(Limit limit) const { return m_counts[limit]; }
    // Index into kClasses, or nullopt when the panel meets no class.
    std::optional<size_t> panelClass() const { return m_class; }
    // "I" to "IV", or "none".
    std::string className() const;
    // The limit of the next better class that this panel breaks; nullopt for class I.
    std::optional<Limit> limitingLimit() const { return m_limiting; }
    // One line for people, e.g. "Class III: 1 cluster of hot or dead pixels
    // on 8.3 million pixels; class II allows none".
    std::string summary() const;

    static const char* limitName(Limit);
    // Each cluster's extent in device pixels (its pixels included), for maps.
    const std::vector<Rect>& clusterBounds() const { return m_clusterBounds; }

private:
    long long m_pixels { 0 };
    std::array<int, kLimitCount> m_counts {};
    std::optional<size_t> m_class;
    std::optional<Limit> m_limiting;
    std::vector<Rect> m_clusterBounds;
};
