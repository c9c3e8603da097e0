#pragma once

#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/CairoRefPtr.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/Rect.h"

#include <cairo.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Image;

// A drawing context over a Cairo context, in points with y growing downwards.
// It offers what views draw with: state, colours, paths with arcs, clipping,
// images, linear gradients and text. Views reach the one they draw into with
// GraphicsContext::current(); image contexts push theirs on the same stack.
class GraphicsContext {
public:
    // Wraps `cr` (a reference is taken).
    explicit GraphicsContext(cairo_t* cr);
    ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    cairo_t* cairo() const { return m_cr; }

    // The context drawing is directed to, or null.
    static GraphicsContext* current();
    static void push(GraphicsContext*);
    static void pop();

    // State
    void saveGState();
    void restoreGState();
    void setFillColor(const Color&);
    void setStrokeColor(const Color&);
    Color fillColor() const { return m_state.fill; }
    void setLineWidth(double);
    void setAlpha(double);
    double alpha() const { return m_state.alpha; }
    void translate(double x, double y);
    void scale(double sx, double sy);
    void rotate(double radians);
    void concat(const AffineTransform&);

    // Paths. Arcs follow the platform's convention: angles in radians from the
    // x axis; clockwise = false sweeps towards growing angles, which on a
    // y-down surface turns clockwise on screen.
    void beginPath();
    void moveTo(double x, double y);
    void addLineTo(double x, double y);
    void addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise);
    // A line towards the tangent point of a circle of `radius` touching the lines
    // current → (x1, y1) and (x1, y1) → (x2, y2), then the arc to the second tangent point.
    void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
    void addRect(const Rect&);
    void closePath();
    bool isPathEmpty() const;

    void fillPath();
    void strokePath();
    void clip();
    void clipToRect(const Rect&);
    void fillRect(const Rect&);
    void strokeRect(const Rect&);
    void clearRect(const Rect&);
    void fillEllipseInRect(const Rect&);

    // Images, with their top left at `point` or scaled to fill `rect`.
    void drawImage(const Image&, Point point);
    void drawImage(const Image&, const Rect& rect);

    // A linear gradient between colour stops (locations 0..1, one per colour)
    // from `start` to `end`, clipped to the current clip; the extend flags paint
    // the first colour before the start and the last after the end.
    void drawLinearGradient(const std::vector<Color>& colors, const std::vector<double>& locations, Point start,
        Point end, bool drawsBeforeStart, bool drawsAfterEnd);

    // Text in the fill colour, wrapped in `rect` and cut to the lines that fit;
    // answers the size drawn.
    Size drawText(const std::string& text, const Rect& rect, const Font&, LineBreakMode = LineBreakMode::WordWrap,
        TextAlignment = TextAlignment::Left);
    // One line with its top left at `point`.
    Size drawText(const std::string& text, Point point, const Font&);

private:
    struct State {
        Color fill { 0, 0, 0, 1 };
        Color stroke { 0, 0, 0, 1 };
        double alpha { 1 };
    };
    void setSource(const Color&);

    // m_cr is borrowed from m_owner for brevity at every drawing call.
    GRefPtr<cairo_t> m_owner;
    cairo_t* m_cr;
    State m_state;
    std::vector<State> m_saved;
};
