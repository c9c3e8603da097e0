#include "app/defects/DefectMark.h"

#include <array>

namespace {

struct KindInfo {
    DefectKind kind;
    const char* name;
    const char* description;
    int faultType;
    Color color;
};

// Hot is drawn in amber and dead in magenta rather than white and black, so
// both show on a white map and on a black fill alike.
constexpr std::array<KindInfo, 6> kKinds { {
    { DefectKind::Hot, "hot", "hot pixel", 1, { 1.0, 0.62, 0.0, 1 } },
    { DefectKind::Dead, "dead", "dead pixel", 2, { 0.93, 0.0, 0.93, 1 } },
    { DefectKind::StuckRed, "stuck-red", "stuck red sub-pixel", 3, { 1.0, 0.1, 0.1, 1 } },
    { DefectKind::StuckGreen, "stuck-green", "stuck green sub-pixel", 3, { 0.0, 0.8, 0.2, 1 } },
    { DefectKind::StuckBlue, "stuck-blue", "stuck blue sub-pixel", 3, { 0.15, 0.4, 1.0, 1 } },
    { DefectKind::StuckOff, "stuck-off", "sub-pixel stuck off", 3, { 0.0, 0.75, 0.8, 1 } },
} };

const KindInfo& info(DefectKind kind)
{
    for (auto& entry : kKinds) {
        if (entry.kind == kind)
            return entry;
    }
    return kKinds[1];
}

} // namespace

int DefectMark::faultType(DefectKind kind)
{
    return info(kind).faultType;
}

const char* DefectMark::name(DefectKind kind)
{
    return info(kind).name;
}

const char* DefectMark::description(DefectKind kind)
{
    return info(kind).description;
}

Color DefectMark::color(DefectKind kind)
{
    return info(kind).color;
}

std::optional<DefectKind> DefectMark::kindNamed(std::string_view name)
{
    for (auto& entry : kKinds) {
        if (name == entry.name)
            return entry.kind;
    }
    return std::nullopt;
}
