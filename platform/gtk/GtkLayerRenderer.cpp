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
    m_drawsWithCairo = drawsWithCairo();
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
    // A frame that changed nothing keeps the last outline: taking it away
    // would be the only thing such a frame redraws.
    if (!m_damage.empty())
        m_outline = m_damage;
    if (!m_showsDamage)
        return;
    GdkRGBA red { 1, 0, 0, 1 };
    float widths[4] = { 1, 1, 1, 1 };
    GdkRGBA colors[4] = { red, red, red, red };
    for (const Rect& area : m_outline) {
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
            if (CachedTexture* texture = textureFor(contents->surface()))
                appendTiles(snapshot, *texture, bounds);
        }
        if (cairo_surface_t* backing = layer.backingSurface(bounds, pixelsPerPoint)) {
            if (CachedTexture* texture = textureFor(backing)) {
                double scale = layer.backingScale();
                appendTiles(snapshot, *texture,
                    Rect(bounds.minX(), bounds.minY(), texture->width / scale, texture->height / scale));
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

size_t GtkLayerRenderer::cachedTileCount() const
{
    size_t count = 0;
    for (auto& [surface, cached] : m_textures)
        count += cached.tiles.size();
    return count;
}

bool GtkLayerRenderer::drawsWithCairo() const
{
    GtkNative* native = m_owner ? gtk_widget_get_native(m_owner) : nullptr;
    GskRenderer* renderer = native ? gtk_native_get_renderer(native) : nullptr;
    return !renderer || GSK_IS_CAIRO_RENDERER(renderer);
}

GtkLayerRenderer::CachedTexture* GtkLayerRenderer::textureFor(cairo_surface_t* surface)
{
    if (auto found = m_textures.find(surface); found != m_textures.end()) {
        found->second.used = true;
        return &found->second;
    }
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return nullptr;
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    cairo_format_t format = cairo_image_surface_get_format(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0 || (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24))
        return nullptr;
    // What has something drawn on it: premultiplied, a pixel with nothing
    // is all zero (an opaque image is drawn everywhere).
    int minX = 0, minY = 0, maxX = width, maxY = height;
    if (format == CAIRO_FORMAT_ARGB32) {
        minX = width;
        minY = height;
        maxX = maxY = 0;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
            const uint32_t* first = std::find_if(row, row + width, [](uint32_t pixel) { return pixel != 0; });
            if (first == row + width)
                continue;
            const uint32_t* last = std::find_if(
                std::make_reverse_iterator(row + width), std::make_reverse_iterator(first), [](uint32_t pixel) {
                    return pixel != 0;
                }).base();
            minX = std::min(minX, static_cast<int>(first - row));
            maxX = std::max(maxX, static_cast<int>(last - row));
            minY = std::min(minY, y);
            maxY = y + 1;
        }
    }
    CachedTexture cached { GRefPtr<cairo_surface_t>(surface), width, height, {}, true };
    for (int tileY = minY; tileY < maxY; tileY += kTileSize) {
        for (int tileX = minX; tileX < maxX; tileX += kTileSize) {
            cached.tiles.push_back(
                { tileX, tileY, std::min(kTileSize, maxX - tileX), std::min(kTileSize, maxY - tileY), nullptr, {} });
        }
    }
    ++m_textureUploads;
    return &m_textures.insert_or_assign(surface, std::move(cached)).first->second;
}

void GtkLayerRenderer::appendTiles(GtkSnapshot* snapshot, CachedTexture& cached, const Rect& area)
{
    double toX = area.width() / cached.width;
    double toY = area.height() / cached.height;
    cairo_surface_t* surface = cached.surface.get();
    for (Tile& tile : cached.tiles) {
        Rect tileArea(area.minX() + tile.x * toX, area.minY() + tile.y * toY, tile.width * toX, tile.height * toY);
        if (!tile.node || tile.nodeArea != tileArea || tile.nodeIsCairo != m_drawsWithCairo) {
            graphene_rect_t bounds = toGraphene(tileArea);
            if (m_drawsWithCairo) {
                GskRenderNode* node = gsk_cairo_node_new(&bounds);
                cairo_t* cr = gsk_cairo_node_get_draw_context(node);
                cairo_translate(cr, area.minX(), area.minY());
                cairo_scale(cr, toX, toY);
                cairo_set_source_surface(cr, surface, 0, 0);
                // Edges repeat outwards, so a picture drawn between pixels
                // does not fade at its edges, nor tiles at theirs.
                cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
                cairo_rectangle(cr, tile.x, tile.y, tile.width, tile.height);
                cairo_fill(cr);
                cairo_destroy(cr);
                tile.node = adoptGRef(node);
            } else {
                tile.node = adoptGRef(textureNode(surface, tile, bounds));
            }
            tile.nodeArea = tileArea;
            tile.nodeIsCairo = m_drawsWithCairo;
        }
        gtk_snapshot_append_node(snapshot, tile.node.get());
    }
}

GskRenderNode* GtkLayerRenderer::textureNode(cairo_surface_t* surface, const Tile& tile, const graphene_rect_t& bounds)
{
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    // The unused byte of an opaque image is not alpha: make it opaque.
    uint32_t opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 ? 0xFF000000u : 0;
    gsize tileStride = static_cast<gsize>(tile.width) * 4;
    auto* copy = static_cast<uint32_t*>(g_malloc(tileStride * static_cast<gsize>(tile.height)));
    for (int y = 0; y < tile.height; ++y) {
        auto* from = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(tile.y + y) * stride) + tile.x;
        uint32_t* to = copy + static_cast<ptrdiff_t>(y) * tile.width;
        for (int x = 0; x < tile.width; ++x)
            to[x] = from[x] | opaque;
    }
    GBytes* bytes = g_bytes_new_take(copy, tileStride * static_cast<gsize>(tile.height));
    // Cairo's ARGB32 is GDK's default memory format: premultiplied, native order.
    GdkTexture* texture = gdk_memory_texture_new(tile.width, tile.height, GDK_MEMORY_DEFAULT, bytes, tileStride);
    g_bytes_unref(bytes);
    GskRenderNode* node = gsk_texture_node_new(texture, &bounds);
    g_object_unref(texture);
    return node;
}
