#include "platform/gtk/GtkLayerRenderer.h"

#include "platform/ui/graphics/Image.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

graphene_rect_t toGraphene(const Rect& rect)
{
    return GRAPHENE_RECT_INIT(static_cast<float>(rect.minX()), static_cast<float>(rect.minY()),
        static_cast<float>(rect.width()), static_cast<float>(rect.height()));
}

GdkRGBA toRGBA(const Color& color)
{
    return { static_cast<float>(color.red), static_cast<float>(color.green), static_cast<float>(color.blue),
        static_cast<float>(color.alpha) };
}

GskRoundedRect roundedRect(const Rect& rect, double radius)
{
    GskRoundedRect rounded;
    graphene_rect_t bounds = toGraphene(rect);
    radius = std::max(0.0, std::min({ radius, rect.width() / 2, rect.height() / 2 }));
    gsk_rounded_rect_init_from_rect(&rounded, &bounds, static_cast<float>(radius));
    return rounded;
}

// GSK knows a transform is flat only when it is built from flat steps (a
// matrix counts as 3-D, which its Cairo renderer cannot draw): an affine
// transform becomes a translation, a rotation, a skew and a scale.
void applyTransform(GtkSnapshot* snapshot, const AffineTransform& t)
{
    if (t.tx != 0 || t.ty != 0) {
        graphene_point_t offset = GRAPHENE_POINT_INIT(static_cast<float>(t.tx), static_cast<float>(t.ty));
        gtk_snapshot_translate(snapshot, &offset);
    }
    if (t.b == 0 && t.c == 0) {
        if (t.a != 1 || t.d != 1)
            gtk_snapshot_scale(snapshot, static_cast<float>(t.a), static_cast<float>(t.d));
        return;
    }
    // [a c; b d] = rotation(θ) · [sx k; 0 sy] = rotation(θ) · skew(atan(k / sy)) · scale(sx, sy)
    double scaleX = std::hypot(t.a, t.b);
    if (scaleX < 1e-12)
        return;
    double angle = std::atan2(t.b, t.a);
    double shear = (t.a * t.c + t.b * t.d) / scaleX;
    double scaleY = (t.a * t.d - t.b * t.c) / scaleX;
    if (std::abs(scaleY) < 1e-12)
        return;
    if (angle != 0)
        gtk_snapshot_rotate(snapshot, static_cast<float>(angle * 180 / M_PI));
    if (shear != 0) {
        GskTransform* skew = gsk_transform_skew(nullptr, static_cast<float>(std::atan(shear / scaleY) * 180 / M_PI), 0);
        gtk_snapshot_transform(snapshot, skew);
        gsk_transform_unref(skew);
    }
    if (scaleX != 1 || scaleY != 1)
        gtk_snapshot_scale(snapshot, static_cast<float>(scaleX), static_cast<float>(scaleY));
}

} // namespace

GtkLayerRenderer::GtkLayerRenderer(GtkWidget* owner)
    : m_owner(owner)
{
    const char* showDamage = std::getenv("VANTREL_SHOW_DAMAGE");
    m_showsDamage = showDamage && std::strcmp(showDamage, "1") == 0;
}

void GtkLayerRenderer::beginFrame()
{
    for (auto& [surface, cached] : m_textures)
        cached.used = false;
    ++m_frame;
    m_damage.clear();
}

void GtkLayerRenderer::endFrame(GtkSnapshot* snapshot, const Rect& viewport)
{
    // Textures of layers that are gone or drew anew are not kept: GTK holds
    // its own references for as long as a node it keeps shows them.
    std::erase_if(m_textures, [](const auto& entry) { return !entry.second.used; });
    // Layers not in this frame leave their last place to be redrawn.
    std::erase_if(m_layers, [&](const auto& entry) {
        if (entry.second.frame == m_frame)
            return false;
        addDamage(entry.second.toUnits.apply(entry.second.bounds));
        return true;
    });
    std::erase_if(m_damage, [&](Rect& area) {
        area = area.intersection(viewport);
        return area.isEmpty();
    });
    if (!m_showsDamage)
        return;
    GdkRGBA red { 1, 0, 0, 1 };
    float widths[4] = { 1, 1, 1, 1 };
    GdkRGBA colors[4] = { red, red, red, red };
    for (const Rect& area : m_damage) {
        GskRoundedRect outline = roundedRect(area, 0);
        gtk_snapshot_append_border(snapshot, &outline, widths, colors);
    }
}

void GtkLayerRenderer::noteLayer(const Layer& layer, LayerState state, bool redrawn)
{
    state.frame = m_frame;
    auto [found, added] = m_layers.try_emplace(&layer, state);
    LayerState& last = found->second;
    if (added || last.layer.owner_before(state.layer) || state.layer.owner_before(last.layer)) {
        // New, or a new layer where a gone one was.
        if (!added)
            addDamage(last.toUnits.apply(last.bounds));
        last = std::move(state);
        addDamage(last.toUnits.apply(last.bounds));
        return;
    }
    bool moved = last.toUnits != state.toUnits || last.bounds != state.bounds;
    bool changed = moved || redrawn || last.opacity != state.opacity || last.backgroundColor != state.backgroundColor
        || last.cornerRadius != state.cornerRadius || last.borderWidth != state.borderWidth
        || last.borderColor != state.borderColor;
    if (moved)
        addDamage(last.toUnits.apply(last.bounds));
    last = std::move(state);
    if (changed)
        addDamage(last.toUnits.apply(last.bounds));
}

void GtkLayerRenderer::addDamage(const Rect& inUnits)
{
    if (inUnits.isEmpty() || !std::isfinite(inUnits.minX()) || !std::isfinite(inUnits.minY())
        || !std::isfinite(inUnits.maxX()) || !std::isfinite(inUnits.maxY()))
        return;
    // Whole units, as GTK repaints whole pixels.
    double minX = std::floor(inUnits.minX()), minY = std::floor(inUnits.minY());
    Rect area(minX, minY, std::ceil(inUnits.maxX()) - minX, std::ceil(inUnits.maxY()) - minY);
    if (std::find(m_damage.begin(), m_damage.end(), area) == m_damage.end())
        m_damage.push_back(area);
}

void GtkLayerRenderer::snapshotScreen(GtkSnapshot* snapshot, double unitsPerPoint, double pixelsPerPoint)
{
    beginFrame();
    Rect screen = Screen::mainScreen().bounds();
    gtk_snapshot_save(snapshot);
    gtk_snapshot_scale(snapshot, static_cast<float>(unitsPerPoint), static_cast<float>(unitsPerPoint));
    AffineTransform toUnits = AffineTransform::makeScale(unitsPerPoint, unitsPerPoint);
    GdkRGBA black { 0, 0, 0, 1 };
    graphene_rect_t area = toGraphene(screen);
    gtk_snapshot_append_color(snapshot, &black, &area);
    double now = Layer::currentMediaTime();
    for (auto& window : Application::shared().windows()) {
        if (!window->isHidden())
            appendWindow(snapshot, *window, toUnits, pixelsPerPoint, now);
    }
    auto& application = Application::shared();
    if (!application.isStatusBarHidden()) {
        graphene_rect_t bar = toGraphene(application.statusBarFrame());
        cairo_t* cr = gtk_snapshot_append_cairo(snapshot, &bar);
        application.drawStatusBar(cr, 1.0);
        cairo_destroy(cr);
    }
    gtk_snapshot_restore(snapshot);
    endFrame(snapshot, Rect(0, 0, screen.maxX() * unitsPerPoint, screen.maxY() * unitsPerPoint));
    application.screenWasDrawn();
}

void GtkLayerRenderer::snapshotWindow(
    GtkSnapshot* snapshot, Window& window, double unitsPerPoint, double pixelsPerPoint)
{
    beginFrame();
    Rect frame = window.frame();
    gtk_snapshot_save(snapshot);
    gtk_snapshot_scale(snapshot, static_cast<float>(unitsPerPoint), static_cast<float>(unitsPerPoint));
    graphene_point_t origin = GRAPHENE_POINT_INIT(static_cast<float>(-frame.minX()), static_cast<float>(-frame.minY()));
    gtk_snapshot_translate(snapshot, &origin);
    AffineTransform toUnits = AffineTransform::makeTranslation(-frame.minX(), -frame.minY())
                                  .concat(AffineTransform::makeScale(unitsPerPoint, unitsPerPoint));
    appendWindow(snapshot, window, toUnits, pixelsPerPoint, Layer::currentMediaTime());
    gtk_snapshot_restore(snapshot);
    endFrame(snapshot, Rect(0, 0, frame.width() * unitsPerPoint, frame.height() * unitsPerPoint));
}

void GtkLayerRenderer::appendWindow(
    GtkSnapshot* snapshot, Window& window, AffineTransform toUnits, double pixelsPerPoint, double now)
{
    window.layoutIfNeeded();
    appendLayer(snapshot, window.layer(), toUnits, pixelsPerPoint, now);
}

void GtkLayerRenderer::appendLayer(
    GtkSnapshot* snapshot, Layer& layer, AffineTransform toUnits, double pixelsPerPoint, double now, double opacity)
{
    if (layer.isHidden())
        return;
    LayerProperties p = layer.presentationAt(now);
    if (p.opacity <= 0.0)
        return;
    // Into the layer's bounds coordinates, as the compositor goes: position,
    // transform about the anchor point, then the bounds' origin.
    AffineTransform local = AffineTransform::makeTranslation(p.position.x, p.position.y);
    if (!p.transform.isIdentity()) {
        AffineTransform t = p.transform.affine();
        // A layer scaled to nothing draws nothing.
        if (std::abs(t.a * t.d - t.b * t.c) < 1e-12)
            return;
        local = t.concat(local);
    }
    local = AffineTransform::makeTranslation(-p.bounds.size.width * p.anchorPoint.x - p.bounds.origin.x,
        -p.bounds.size.height * p.anchorPoint.y - p.bounds.origin.y)
                .concat(local);
    toUnits = local.concat(toUnits);
    opacity *= p.opacity;
    LayerState state { layer.weak_from_this(), toUnits, p.bounds, opacity, p.backgroundColor, p.cornerRadius,
        p.borderWidth, p.borderColor };

    gtk_snapshot_save(snapshot);
    applyTransform(snapshot, local);
    bool faded = p.opacity < 1.0;
    if (faded)
        gtk_snapshot_push_opacity(snapshot, p.opacity);
    const Rect& bounds = p.bounds;
    graphene_rect_t area = toGraphene(bounds);

    if (layer.hasRunningTransition(now)) {
        // A flip or fade draws pictures of the views, not the tree: the
        // compositor's own drawing, for the few frames it runs.
        cairo_t* cr = gtk_snapshot_append_cairo(snapshot, &area);
        layer.renderTransition(cr, p, now);
        cairo_destroy(cr);
        noteLayer(layer, std::move(state), true);
    } else {
        bool clipped = layer.masksToBounds();
        if (clipped) {
            if (p.cornerRadius > 0) {
                GskRoundedRect clip = roundedRect(bounds, p.cornerRadius);
                gtk_snapshot_push_rounded_clip(snapshot, &clip);
            } else {
                gtk_snapshot_push_clip(snapshot, &area);
            }
        }
        if (p.backgroundColor && p.backgroundColor->alpha > 0) {
            GdkRGBA color = toRGBA(*p.backgroundColor);
            if (p.cornerRadius > 0) {
                GskRoundedRect shape = roundedRect(bounds, p.cornerRadius);
                gtk_snapshot_push_rounded_clip(snapshot, &shape);
                gtk_snapshot_append_color(snapshot, &color, &area);
                gtk_snapshot_pop(snapshot);
            } else {
                gtk_snapshot_append_color(snapshot, &color, &area);
            }
        }
        uint64_t uploads = m_textureUploads;
        if (auto& contents = layer.contents(); contents && contents->surface()) {
            if (GdkTexture* texture = textureFor(contents->surface()))
                gtk_snapshot_append_texture(snapshot, texture, &area);
        }
        if (cairo_surface_t* backing = layer.backingSurface(bounds, pixelsPerPoint)) {
            if (GdkTexture* texture = textureFor(backing)) {
                double scale = layer.backingScale();
                graphene_rect_t drawn = toGraphene(Rect(bounds.minX(), bounds.minY(),
                    cairo_image_surface_get_width(backing) / scale, cairo_image_surface_get_height(backing) / scale));
                gtk_snapshot_append_texture(snapshot, texture, &drawn);
            }
        }
        noteLayer(layer, std::move(state), m_textureUploads != uploads);
        if (m_embeddedWidgets) {
            if (GtkWidget* widget = m_embeddedWidgets(layer))
                appendEmbeddedWidget(snapshot, widget, toUnits);
        }
        // Sublayers may be added or removed by drawing: go through a copy.
        auto sublayers = layer.sublayers();
        for (auto& sublayer : sublayers)
            appendLayer(snapshot, *sublayer, toUnits, pixelsPerPoint, now, opacity);
        if (p.borderWidth > 0) {
            GskRoundedRect outline = roundedRect(bounds, p.cornerRadius);
            float width = static_cast<float>(p.borderWidth);
            float widths[4] = { width, width, width, width };
            GdkRGBA color = toRGBA(p.borderColor);
            GdkRGBA colors[4] = { color, color, color, color };
            gtk_snapshot_append_border(snapshot, &outline, widths, colors);
        }
        if (clipped)
            gtk_snapshot_pop(snapshot);
    }
    if (faded)
        gtk_snapshot_pop(snapshot);
    gtk_snapshot_restore(snapshot);
}

void GtkLayerRenderer::appendEmbeddedWidget(GtkSnapshot* snapshot, GtkWidget* widget, const AffineTransform& toUnits)
{
    // The widget is allocated in the owner's units: back to those for it,
    // inside whatever clips and fades the layers around it pushed.
    gtk_snapshot_save(snapshot);
    applyTransform(snapshot, toUnits.inverted());
    gtk_widget_snapshot_child(m_owner, widget, snapshot);
    gtk_snapshot_restore(snapshot);
}

GdkTexture* GtkLayerRenderer::textureFor(cairo_surface_t* surface)
{
    if (auto found = m_textures.find(surface); found != m_textures.end()) {
        found->second.used = true;
        return found->second.texture.get();
    }
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return nullptr;
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (width <= 0 || height <= 0 || (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24))
        return nullptr;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    GBytes* bytes;
    if (format == CAIRO_FORMAT_ARGB32) {
        bytes = g_bytes_new(data, static_cast<gsize>(stride) * static_cast<gsize>(height));
    } else {
        // The unused byte of an opaque image is not alpha: make it opaque.
        auto* copy = static_cast<uint32_t*>(g_malloc(static_cast<gsize>(stride) * static_cast<gsize>(height)));
        for (int y = 0; y < height; ++y) {
            auto* from = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
            uint32_t* to = copy + static_cast<ptrdiff_t>(y) * (stride / 4);
            for (int x = 0; x < width; ++x)
                to[x] = from[x] | 0xFF000000u;
        }
        bytes = g_bytes_new_take(copy, static_cast<gsize>(stride) * static_cast<gsize>(height));
    }
    // Cairo's ARGB32 is GDK's default memory format: premultiplied, native order.
    GdkTexture* texture = gdk_memory_texture_new(width, height, GDK_MEMORY_DEFAULT, bytes, static_cast<gsize>(stride));
    g_bytes_unref(bytes);
    ++m_textureUploads;
    CachedTexture cached { GRefPtr<cairo_surface_t>(surface), adoptGRef(texture), true };
    return m_textures.insert_or_assign(surface, std::move(cached)).first->second.texture.get();
}
