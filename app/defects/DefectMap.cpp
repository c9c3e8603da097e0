#include "app/defects/DefectMap.h"

#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr double kMargin = 24;
constexpr double kPageMinimumWidth = 900;
const Color kInk = Color::rgba(0.1, 0.1, 0.12);
const Color kPanel = Color::rgba(0.11, 0.11, 0.12);

std::string monitorName(const MonitorIdentity& monitor)
{
    std::string name = monitor.manufacturer;
    if (!monitor.model.empty())
        name += (name.empty() ? "" : " ") + monitor.model;
    if (name.empty())
        name = "Unnamed monitor";
    if (!monitor.connector.empty())
        name += "  ·  connector " + monitor.connector;
    name += "  ·  " + std::to_string(monitor.widthPixels) + " × " + std::to_string(monitor.heightPixels) + " pixels";
    if (monitor.widthMillimetres && monitor.heightMillimetres)
        name += ", " + std::to_string(*monitor.widthMillimetres) + " × " + std::to_string(*monitor.heightMillimetres)
            + " mm";
    return name;
}

void ring(GraphicsContext& context, Point center, double radius, const Color& color)
{
    // A dark halo under the coloured ring keeps it visible on any background.
    context.setStrokeColor(Color::black().withAlpha(0.7));
    context.setLineWidth(5);
    context.beginPath();
    context.addArc(center.x, center.y, radius, 0, 2 * std::numbers::pi, false);
    context.strokePath();
    context.setStrokeColor(color);
    context.setLineWidth(3);
    context.beginPath();
    context.addArc(center.x, center.y, radius, 0, 2 * std::numbers::pi, false);
    context.strokePath();
}

} // namespace

DefectMap::DefectMap(const MonitorRecord& record, Date date)
    : m_record(record)
    , m_date(date)
{
    // The panel goes below the header, whose height depends on how the verdict wraps.
    ImageContext measure({ pageWidth(), 1 }, 1);
    m_headerHeight = drawHeader(measure.context(), pageWidth());
}

double DefectMap::pageWidth() const
{
    return std::max(kPageMinimumWidth, std::round(m_record.width() * pixelScale()) + 2 * kMargin);
}

double DefectMap::pixelScale() const
{
    double width = std::max(1, m_record.width());
    double height = std::max(1, m_record.height());
    return std::min(kMapWidth / width, kMapHeight / height);
}

Rect DefectMap::panelRect() const
{
    double scale = pixelScale();
    return { kMargin, m_headerHeight, std::round(m_record.width() * scale), std::round(m_record.height() * scale) };
}

Point DefectMap::ringCenter(int x, int y) const
{
    Rect panel = panelRect();
    double scale = pixelScale();
    return { panel.minX() + (x + 0.5) * scale, panel.minY() + (y + 0.5) * scale };
}

std::shared_ptr<Image> DefectMap::draw() const
{
    double width = pageWidth();
    Rect panel = panelRect();
    double legendTop = panel.maxY() + 16;
    double height = legendTop;
    {
        ImageContext measure({ width, 1 }, 1);
        height = drawLegend(measure.context(), drawScaleBar(measure.context(), legendTop), width) + kMargin;
    }

    ImageContext image({ width, std::ceil(height) }, 1);
    GraphicsContext& context = image.context();
    context.setFillColor(Color::whiteColor());
    context.fillRect({ 0, 0, width, std::ceil(height) });
    drawHeader(context, width);
    drawPanel(context);
    drawLegend(context, drawScaleBar(context, legendTop), width);
    return image.image();
}

double DefectMap::drawHeader(GraphicsContext& context, double width) const
{
    double y = kMargin - 4;
    context.setFillColor(kInk);
    y += context.drawText("Pixel faults", Point { kMargin, y }, Font::boldSystemFont(22)).height + 2;
    context.setFillColor(Color::rgba(0.3, 0.3, 0.32));
    std::string line = monitorName(m_record.monitor()) + "  ·  " + m_date.formatted("%Y-%m-%d %H:%M UTC", false);
    y += context.drawText(line, Point { kMargin, y }, Font::systemFont(14)).height + 8;
    context.setFillColor(kInk);
    PanelVerdict verdict = m_record.verdict();
    Font bold = Font::boldSystemFont(16);
    Rect box { kMargin, y, width - 2 * kMargin, 200 };
    Size drawn = context.drawText(verdict.summary(), box, bold);
    return std::ceil(y + drawn.height + 14);
}

void DefectMap::drawPanel(GraphicsContext& context) const
{
    Rect panel = panelRect();
    context.setFillColor(kPanel);
    context.fillRect(panel);
    context.setStrokeColor(Color::rgba(0.55, 0.55, 0.58));
    context.setLineWidth(1);
    context.strokeRect({ panel.minX() - 0.5, panel.minY() - 0.5, panel.width() + 1, panel.height() + 1 });

    // Each cluster in a dashed box around its rings, so the marks that make
    // it are seen together.
    PanelVerdict verdict = m_record.verdict();
    for (auto& cluster : verdict.clusterBounds()) {
        Point from = ringCenter(static_cast<int>(cluster.minX()), static_cast<int>(cluster.minY()));
        Point to = ringCenter(static_cast<int>(cluster.maxX()) - 1, static_cast<int>(cluster.maxY()) - 1);
        double reach = kRingRadius + 6;
        cairo_t* cr = context.cairo();
        cairo_save(cr);
        const double dashes[] = { 5, 3 };
        cairo_set_dash(cr, dashes, 2, 0);
        context.setStrokeColor(Color::white(0.85));
        context.setLineWidth(1.5);
        context.strokeRect({ from.x - reach, from.y - reach, to.x - from.x + 2 * reach, to.y - from.y + 2 * reach });
        cairo_restore(cr);
    }

    Font numberFont = Font::boldSystemFont(13);
    std::vector<Rect> labels;
    auto overlapsLabel = [&](const Rect& rect) {
        return std::any_of(labels.begin(), labels.end(), [&](const Rect& other) {
            return rect.minX() < other.maxX() && other.minX() < rect.maxX() && rect.minY() < other.maxY()
                && other.minY() < rect.maxY();
        });
    };
    int index = 0;
    for (auto& mark : m_record.marks()) {
        ++index;
        // Marks of another mode have no place on this one's map; the legend counts them.
        if (!mark.madeInMode(m_record.width(), m_record.height()))
            continue;
        Point center = ringCenter(mark.x, mark.y);
        Color color = DefectMark::color(mark.kind);
        ring(context, center, kRingRadius, color);
        // The number sits up and to the right of its ring, turned inwards at
        // the panel's right and top edges so it stays on the map.
        std::string label = std::to_string(index);
        Size size = numberFont.sizeWithText(label);
        double x = center.x + kRingRadius + 2;
        double y = center.y - kRingRadius - size.height + 4;
        if (x + size.width > panel.maxX())
            x = center.x - kRingRadius - 2 - size.width;
        if (y < panel.minY())
            y = center.y + kRingRadius - 4;
        // Marks of a cluster lie close together: their numbers stack instead of hiding each other.
        for (int tries = 0; tries < 50 && overlapsLabel({ x - 2, y, size.width + 4, size.height }); ++tries)
            y += size.height;
        labels.push_back({ x - 2, y, size.width + 4, size.height });
        context.setFillColor(Color::black().withAlpha(0.6));
        context.fillRect({ x - 2, y, size.width + 4, size.height });
        context.setFillColor(color);
        context.drawText(label, Point { x, y }, numberFont);
    }
}

double DefectMap::drawScaleBar(GraphicsContext& context, double top) const
{
    // A round number of pixels that makes a bar of a readable length.
    double scale = pixelScale();
    double pixels = 1;
    for (double step : { 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0 }) {
        pixels = step;
        if (step * scale >= 100)
            break;
    }
    double length = pixels * scale;
    double y = top + 8;
    context.setFillColor(kInk);
    context.fillRect({ kMargin, y, length, 4 });
    context.fillRect({ kMargin, y - 5, 2, 14 });
    context.fillRect({ kMargin + length - 2, y - 5, 2, 14 });
    std::string label = std::to_string(static_cast<long>(pixels)) + " pixels";
    const MonitorIdentity& monitor = m_record.monitor();
    if (monitor.widthMillimetres && monitor.widthPixels > 0) {
        double millimetres = pixels * *monitor.widthMillimetres / monitor.widthPixels;
        char text[48];
        std::snprintf(text, sizeof text, " (%.1f mm)", millimetres);
        label += text;
    }
    context.drawText(label, Point { kMargin + length + 10, y - 6 }, Font::systemFont(13));
    return y + 22;
}

double DefectMap::drawLegend(GraphicsContext& context, double top, double width) const
{
    struct Entry {
        DefectKind kind;
        int count { 0 };
    };
    std::vector<Entry> entries { { DefectKind::Hot }, { DefectKind::Dead }, { DefectKind::StuckRed },
        { DefectKind::StuckGreen }, { DefectKind::StuckBlue }, { DefectKind::StuckOff } };
    for (auto& mark : m_record.marks()) {
        if (mark.madeInMode(m_record.width(), m_record.height()))
            ++entries[static_cast<size_t>(mark.kind)].count;
    }
    Font font = Font::systemFont(13);
    double x = kMargin;
    double y = top + 4;
    for (auto& entry : entries) {
        std::string text = std::string(DefectMark::description(entry.kind)) + " (type "
            + std::to_string(DefectMark::faultType(entry.kind)) + "): " + std::to_string(entry.count);
        double itemWidth = 2 * kRingRadius + 8 + font.sizeWithText(text).width + 24;
        if (x + itemWidth > width - kMargin && x > kMargin) {
            x = kMargin;
            y += 30;
        }
        ring(context, { x + kRingRadius, y + kRingRadius }, kRingRadius - 3, DefectMark::color(entry.kind));
        context.setFillColor(kInk);
        context.drawText(text, Point { x + 2 * kRingRadius + 8, y + 3 }, font);
        x += itemWidth;
    }
    y += 34;
    PanelVerdict verdict = m_record.verdict();
    context.setFillColor(Color::rgba(0.3, 0.3, 0.32));
    std::string clusters = "Clusters (two or more faults within a 5 × 5 pixel block, boxed on the map): "
        + std::to_string(verdict.count(PanelVerdict::HotOrDeadClusters)) + " of hot or dead pixels, "
        + std::to_string(verdict.count(PanelVerdict::StuckClusters)) + " of stuck sub-pixels.";
    y += context.drawText(clusters, Rect { kMargin, y, width - 2 * kMargin, 60 }, font).height + 4;
    if (size_t flagged = m_record.flaggedCount()) {
        std::string note = std::to_string(flagged) + (flagged == 1 ? " mark was" : " marks were")
            + " made in another mode of this monitor: listed in the report, not drawn or counted here.";
        y += context.drawText(note, Rect { kMargin, y, width - 2 * kMargin, 60 }, font).height + 4;
    }
    y += context.drawText(PanelVerdict::kRoundingRule, Rect { kMargin, y, width - 2 * kMargin, 60 }, font).height;
    return y;
}
