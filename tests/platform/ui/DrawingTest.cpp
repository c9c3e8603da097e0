#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "tests/support/Pixels.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <zlib.h>

namespace {

// A PNG signature and header announcing width × height, without any pixels.
std::string pngHeader(uint32_t width, uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    auto be32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<char>((v >> shift) & 0xFF));
    };
    be32(13);
    bytes += "IHDR";
    be32(width);
    be32(height);
    bytes += std::string("\x08\x06\x00\x00\x00", 5);
    be32(0); // CRC left wrong: the size check must come first anyway
    return bytes;
}

// A complete PNG announcing width × height whose one IDAT chunk holds a
// single compressed row: tiny on the wire, huge once decoded.
std::string pngBomb(uint32_t width, uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    auto be32 = [](std::string& out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<char>((v >> shift) & 0xFF));
    };
    auto chunk = [&](const char* type, const std::string& data) {
        be32(bytes, static_cast<uint32_t>(data.size()));
        std::string typed = std::string(type, 4) + data;
        bytes += typed;
        be32(bytes, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
    };
    std::string header;
    be32(header, width);
    be32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    chunk("IHDR", header);
    std::string row(1 + static_cast<size_t>(width) * 4, '\0');
    std::string compressed(compressBound(row.size()), '\0');
    uLongf length = compressed.size();
    compress(
        reinterpret_cast<Bytef*>(compressed.data()), &length, reinterpret_cast<const Bytef*>(row.data()), row.size());
    compressed.resize(length);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return bytes;
}

long peakResidentKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(Image, DecompressionBombIsRefusedWithoutAllocatingIt)
{
    // 20000 × 20000 RGBA would take 1.6 GB; the refusal must cost next to nothing.
    std::string bomb = pngBomb(20000, 20000);
    ASSERT_LT(bomb.size(), 2000u);
    long before = peakResidentKilobytes();
    EXPECT_EQ(Image::decode(bomb), nullptr);
    EXPECT_LT(peakResidentKilobytes() - before, 100 * 1024);
    // The same construction at an acceptable size does decode.
    auto small = Image::decode(pngBomb(64, 1));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->pixelWidth(), 64);
}

TEST(Image, RefusesHugeImagesBeforeDecodingAndRoundTripsPNG)
{
    EXPECT_EQ(Image::decode(pngHeader(100000, 100000)), nullptr);
    EXPECT_EQ(Image::decode("not an image"), nullptr);
    EXPECT_EQ(Image::decode(""), nullptr);

    ImageContext context({ 4, 3 }, 2);
    context.context().setFillColor(Color::rgba(0, 0, 1, 0.5));
    context.context().fillRect({ 0, 0, 4, 3 });
    auto image = context.image();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (Size { 4, 3 }));
    auto png = image->encodePNG();
    ASSERT_TRUE(png);
    auto back = Image::decode(*png, 2);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelWidth(), 8);
    // Half-transparent blue survives (premultiplied: 0x80 alpha, ~0x80 blue).
    uint32_t p = argbAt(*back, 3, 3);
    EXPECT_EQ(p >> 24, 0x80u);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 1);
}

namespace {

// A 2 × 2 GIF, written out by hand (gdk-pixbuf cannot write GIF).
std::string smallGIF()
{
    return std::string("\x47\x49\x46\x38\x39\x61\x02\x00\x02\x00\x81\x00\x00\xff\x00\x00\x00\x00\xff\x00\x00\x00"
                       "\x00\x00\x00\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x03\x44\x02\x05\x00\x3b",
        42);
}

std::string smallJPEG()
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 32, 32);
    gdk_pixbuf_fill(pixbuf, 0x3366ccff);
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr, nullptr);
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

std::string smallPNG(int width, int height)
{
    ImageContext context({ static_cast<double>(width), static_cast<double>(height) }, 1);
    context.context().setFillColor(Color::rgba(1, 0, 0, 1));
    context.context().fillRect({ 0, 0, static_cast<double>(width), static_cast<double>(height) });
    return *context.image()->encodePNG();
}

} // namespace

TEST(Image, OnlyRasterSignaturesReachALoader)
{
    ASSERT_TRUE(Image::decode(smallPNG(8, 8)));
    ASSERT_TRUE(Image::decode(smallJPEG()));
    auto gif = Image::decode(smallGIF());
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->pixelWidth(), 2);

    // Formats with their own unbounded costs are not images here, however
    // well formed: vector drawings (an entity bomb among them), icons, bitmaps.
    std::string svg
        = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><rect width='10' height='10'/></svg>";
    std::string laughs
        = "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;'>]>"
          "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><text>&b;</text></svg>";
    std::string ico("\x00\x00\x01\x00\x01\x00\x10\x10\x00\x00\x01\x00\x20\x00", 14);
    std::string bmp = "BM" + std::string(60, '\0');
    for (const std::string& bytes :
        { svg, laughs, ico, bmp, std::string("/* XPM */\nstatic char* x[] = {\"1 1 1 1\"};") }) {
        EXPECT_FALSE(Image::hasRasterSignature(bytes));
        EXPECT_EQ(Image::decode(bytes), nullptr);
    }
    // A raster signature in front of something else decodes as that format, and fails.
    EXPECT_EQ(Image::decode(std::string("\x89PNG\r\n\x1a\n", 8) + svg), nullptr);
}

TEST(Image, AnImageThatDoesNotDecodeCompletelyIsNoImage)
{
    std::string png = smallPNG(40, 40);
    std::string jpeg = smallJPEG();
    std::string gif = smallGIF();
    for (const std::string* bytes : { &png, &jpeg, &gif }) {
        for (size_t keep : { bytes->size() - 1, bytes->size() * 3 / 4, bytes->size() / 2, size_t(20) })
            EXPECT_EQ(Image::decode(bytes->substr(0, keep)), nullptr) << "kept " << keep << " of " << bytes->size();
    }
    // Chunks whole and IEND present, but the pixel data covers 1 row of 8.
    EXPECT_EQ(Image::decode(pngBomb(64, 8)), nullptr);
    // Padding after the end of the image is not a truncation.
    EXPECT_TRUE(Image::decode(jpeg + std::string(16, '\0')));
}

TEST(Image, CallersLimitsRefuseLargeImagesBeforeDecoding)
{
    std::string png = smallPNG(600, 10);
    EXPECT_TRUE(Image::decode(png));
    EXPECT_EQ(Image::decode(png, 1, Image::kMaxPixels, 512), nullptr) << "wider than the side limit";
    EXPECT_TRUE(Image::decode(smallPNG(512, 512), 1, Image::kMaxPixels, 512));
    EXPECT_EQ(Image::decode(png, 1, 5999), nullptr) << "more pixels than allowed";
    EXPECT_TRUE(Image::decode(png, 1, 6000));
}

TEST(Font, ANameThePlatformHasNoFontForIsTheSystemFontAtTheSize)
{
    for (const char* unknown : { "NoSuch-Bold", "NoSuch", "Helvetica-Wide", "Bold", "", "-Bold", "Courier Bold" }) {
        Font font = Font::fontWithName(unknown, 17);
        EXPECT_EQ(font, Font::systemFont(17)) << unknown;
    }
    Font known = Font::fontWithName("TimesNewRomanPS-BoldMT", 11);
    EXPECT_EQ(known.family(), "Liberation Serif");
    EXPECT_TRUE(known.isBold());
    EXPECT_FALSE(known.isItalic());
    EXPECT_TRUE(Font::fontWithName("courier-oblique", 9).isItalic());
    EXPECT_EQ(Font::fontWithName("Georgia", 9).name(), "Georgia");
}

TEST(Font, PlatformNamesMapToInstalledMetricCompatibleFamilies)
{
    Font helvetica = Font::fontWithName("Helvetica", 13);
    Font bold = Font::fontWithName("Helvetica-Bold", 13);
    EXPECT_EQ(helvetica.family(), "Liberation Sans");
    EXPECT_TRUE(bold.isBold());
    EXPECT_EQ(Font::systemFont(13).sizeWithText("Ads by Pellar"), helvetica.sizeWithText("Ads by Pellar"));
    // Bold is wider; both measure whole points.
    Size plain = helvetica.sizeWithText("Pixel tester");
    Size heavy = bold.sizeWithText("Pixel tester");
    EXPECT_GT(heavy.width, plain.width);
    EXPECT_EQ(plain.width, std::ceil(plain.width));
    // Wrapping inside a constraint keeps only whole lines that fit.
    std::string text = "one two three four five six seven eight nine ten eleven twelve";
    Size one = helvetica.sizeWithText("one");
    Size wrapped = helvetica.sizeWithText(text, { 80, 0 });
    EXPECT_LE(wrapped.width, 80);
    EXPECT_GT(wrapped.height, 3 * one.height - 1);
    Size cut = helvetica.sizeWithText(text, { 80, one.height * 2 + 1 });
    EXPECT_NEAR(cut.height, 2 * helvetica.lineHeight(), 1.0);
    EXPECT_EQ(helvetica.sizeWithText("", { 80, 100 }), (Size { 0, 0 }));
}

TEST(GraphicsContext, GradientExtendsOnlyPastTheRequestedEnd)
{
    auto draw = [](bool before, bool after) {
        ImageContext context({ 10, 30 });
        context.context().drawLinearGradient(
            { Color::redColor(), Color::blueColor() }, { 0, 1 }, { 5, 10 }, { 5, 20 }, before, after);
        return context.image();
    };
    auto afterOnly = draw(false, true);
    EXPECT_EQ(argbAt(*afterOnly, 5, 2) >> 24, 0u); // nothing before the start
    EXPECT_EQ(argbAt(*afterOnly, 5, 27), 0xFF0000FFu); // end colour after the end
    auto neither = draw(false, false);
    EXPECT_EQ(argbAt(*neither, 5, 27) >> 24, 0u);
    EXPECT_EQ(argbAt(*neither, 5, 15) >> 24, 0xFFu);
    auto both = draw(true, true);
    EXPECT_EQ(argbAt(*both, 5, 2), 0xFFFF0000u);
}

TEST(GraphicsContext, ArcToPointRoundsACornerAndUnbalancedRestoreIsHarmless)
{
    ImageContext context({ 20, 20 });
    auto& c = context.context();
    c.restoreGState(); // nothing saved: ignored
    c.setFillColor(Color::black());
    c.beginPath();
    c.moveTo(0, 20);
    c.addArcToPoint(0, 0, 20, 0, 10); // the top-left corner rounded with radius 10
    c.addLineTo(20, 0);
    c.addLineTo(20, 20);
    c.closePath();
    c.fillPath();
    auto image = context.image();
    EXPECT_EQ(argbAt(*image, 1, 1) >> 24, 0u); // cut away by the curve
    EXPECT_EQ(argbAt(*image, 10, 1) >> 24, 0xFFu); // on the straight top edge
    EXPECT_EQ(argbAt(*image, 4, 4) >> 24, 0xFFu); // inside the arc
}
