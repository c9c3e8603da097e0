#pragma once

#include "app/defects/MonitorRecord.h"
#include "platform/foundation/Date.h"
#include "platform/ui/graphics/Rect.h"

#include <memory>

class GraphicsContext;
class Image;

// The picture of a report: the monitor and the verdict on top, the panel
// drawn to scale with every mark of the current mode circled and numbered in
// its kind's colour, then a scale bar and a legend with the counts.
class DefectMap {
public:
    // The panel's longer side on the map at most; a small panel is drawn bigger.
    static constexpr double kMapWidth = 1200;
    static constexpr double kMapHeight = 760;
    static constexpr double kRingRadius = 11;

    DefectMap(const MonitorRecord&, Date);

    std::shared_ptr<Image> draw() const;

    // Where the map puts the panel and how many map points one device pixel takes.
    Rect panelRect() const;
    double pixelScale() const;
    // The centre of a pixel's ring on the map.
    Point ringCenter(int x, int y) const;

private:
    double pageWidth() const;
    double drawHeader(GraphicsContext&, double width) const;
    void drawPanel(GraphicsContext&) const;
    double drawScaleBar(GraphicsContext&, double top) const;
    double drawLegend(GraphicsContext&, double top, double width) const;

    const MonitorRecord& m_record;
    Date m_date;
    double m_headerHeight { 0 };
};
