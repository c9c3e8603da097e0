#include "server/DemoImages.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>

#include <cmath>
#include <functional>

namespace {

std::string encode(cairo_surface_t* surface)
{
    std::string png;
    cairo_surface_flush(surface);
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    return png;
}

std::string draw(int width, int height, const std::function<void(cairo_t*)>& paint)
{
    auto surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    paint(adoptGRef(cairo_create(surface.get())).get()); // drawn and released before the encoding
    return encode(surface.get());
}

void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

} // namespace

std::string DemoImages::browserIcon(const std::string& name)
{
    bool back = name == "back" || name == "back_disable";
    bool forward = name == "forward" || name == "forward_disable";
    if (!back && !forward)
        return {};
    bool disabled = name.ends_with("_disable");
    return draw(24, 24, [&](cairo_t* cr) {
        double grey = disabled ? 0.55 : 1.0;
        cairo_set_source_rgba(cr, grey, grey, grey, disabled ? 0.6 : 1.0);
        if (back) {
            cairo_move_to(cr, 17, 4);
            cairo_line_to(cr, 6, 12);
            cairo_line_to(cr, 17, 20);
        } else {
            cairo_move_to(cr, 7, 4);
            cairo_line_to(cr, 18, 12);
            cairo_line_to(cr, 7, 20);
        }
        cairo_close_path(cr);
        cairo_fill(cr);
    });
}

std::string DemoImages::actionIcon(const std::string& name)
{
    size_t hash = std::hash<std::string> {}(name);
    double hue = static_cast<double>(hash % 360) / 360.0;
    return draw(38, 38, [&](cairo_t* cr) {
        roundedRectangle(cr, 1, 1, 36, 36, 7);
        cairo_set_source_rgb(cr, 0.3 + 0.5 * std::fabs(std::sin(hue * M_PI)), 0.35 + 0.4 * hue, 0.8 - 0.5 * hue);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        std::string letter
            = name.empty() ? "?" : std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 22);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, letter.c_str(), &extents);
        cairo_move_to(cr, 19 - extents.width / 2 - extents.x_bearing, 19 - extents.height / 2 - extents.y_bearing);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_show_text(cr, letter.c_str());
    });
}

std::string DemoImages::banner(const std::string& caption)
{
    return draw(320, 48, [&](cairo_t* cr) {
        auto gradient = adoptGRef(cairo_pattern_create_linear(0, 0, 0, 48));
        cairo_pattern_add_color_stop_rgb(gradient.get(), 0, 0.20, 0.45, 0.75);
        cairo_pattern_add_color_stop_rgb(gradient.get(), 1, 0.08, 0.20, 0.40);
        cairo_set_source(cr, gradient.get());
        cairo_paint(cr);
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 18);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, 12, 30);
        cairo_show_text(cr, caption.c_str());
    });
}

std::string DemoImages::flexAsset(const std::string& name)
{
    if (name == "pixel-doctor") {
        return draw(80, 80, [](cairo_t* cr) {
            auto gradient = adoptGRef(cairo_pattern_create_linear(0, 0, 0, 80));
            cairo_pattern_add_color_stop_rgb(gradient.get(), 0, 0.16, 0.78, 0.70);
            cairo_pattern_add_color_stop_rgb(gradient.get(), 1, 0.04, 0.42, 0.48);
            roundedRectangle(cr, 0, 0, 80, 80, 16);
            cairo_set_source(cr, gradient.get());
            cairo_fill(cr);
            // A three-by-three patch of pixels with the stuck one in the middle.
            for (int row = 0; row < 3; ++row) {
                for (int column = 0; column < 3; ++column) {
                    bool stuck = row == 1 && column == 1;
                    roundedRectangle(cr, 14 + column * 18, 14 + row * 18, 16, 16, 3);
                    if (stuck)
                        cairo_set_source_rgb(cr, 0.95, 0.22, 0.20);
                    else
                        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
                    cairo_fill(cr);
                }
            }
        });
    }
    if (name == "phone") {
        return draw(54, 80, [](cairo_t* cr) {
            roundedRectangle(cr, 1, 1, 52, 78, 9);
            cairo_set_source_rgb(cr, 0.12, 0.12, 0.14);
            cairo_fill_preserve(cr);
            cairo_set_source_rgb(cr, 0.55, 0.57, 0.62);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
            const double bars[][3] = { { 1, 1, 1 }, { 1, 0.85, 0.1 }, { 0.1, 0.85, 0.9 }, { 0.2, 0.8, 0.2 },
                { 0.85, 0.2, 0.8 }, { 0.9, 0.15, 0.15 }, { 0.15, 0.25, 0.9 } };
            double width = 44.0 / 7;
            for (int i = 0; i < 7; ++i) {
                cairo_rectangle(cr, 5 + i * width, 9, width + 0.2, 60);
                cairo_set_source_rgb(cr, bars[i][0], bars[i][1], bars[i][2]);
                cairo_fill(cr);
            }
            cairo_arc(cr, 27, 74, 2.2, 0, 2 * M_PI);
            cairo_set_source_rgb(cr, 0.55, 0.57, 0.62);
            cairo_fill(cr);
        });
    }
    if (name == "star") {
        return draw(60, 60, [](cairo_t* cr) {
            for (int i = 0; i < 10; ++i) {
                double angle = -M_PI / 2 + i * M_PI / 5;
                double radius = i % 2 ? 12.5 : 28;
                cairo_line_to(cr, 30 + radius * std::cos(angle), 31 + radius * std::sin(angle));
            }
            cairo_close_path(cr);
            auto gradient = adoptGRef(cairo_pattern_create_linear(0, 3, 0, 57));
            cairo_pattern_add_color_stop_rgb(gradient.get(), 0, 1.0, 0.86, 0.30);
            cairo_pattern_add_color_stop_rgb(gradient.get(), 1, 0.95, 0.55, 0.05);
            cairo_set_source(cr, gradient.get());
            cairo_fill_preserve(cr);
            cairo_set_source_rgb(cr, 0.75, 0.42, 0.02);
            cairo_set_line_width(cr, 2);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke(cr);
        });
    }
    return {};
}
