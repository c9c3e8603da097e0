#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/gtk/GtkScreenWidget.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/View.h"
#include "platform/ui/views/Window.h"
#include "tests/platform/gtk/GtkDisplayTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// A picture rendered offscreen by GSK's Cairo renderer: 32-bit premultiplied
// pixels in native order.
struct Picture {
    int width { 0 };
    int height { 0 };
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    static bool isRed(uint32_t pixel) { return (pixel & 0xFFFFFF) == 0xFF0000; }
    int redCount() const
    {
        int count = 0;
        for (uint32_t pixel : pixels)
            count += isRed(pixel);
        return count;
    }
};

Picture render(GskRenderNode* node, int width, int height, const char* savedAs = nullptr)
{
    GskRenderer* renderer = gsk_cairo_renderer_new();
    GError* error = nullptr;
    Picture picture;
    if (!gsk_renderer_realize(renderer, nullptr, &error)) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        g_object_unref(renderer);
        return picture;
    }
    graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
    GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &viewport);
    picture.width = gdk_texture_get_width(texture);
    picture.height = gdk_texture_get_height(texture);
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    gdk_texture_download(texture, reinterpret_cast<guchar*>(picture.pixels.data()), picture.width * 4);
    if (savedAs)
        gdk_texture_save_to_png(texture, savedAs);
    g_object_unref(texture);
    gsk_renderer_unrealize(renderer);
    g_object_unref(renderer);
    return picture;
}

} // namespace

class GtkLayerRendererTest : public GtkDisplayTest {
protected:
    GtkLayerRendererTest()
        : GtkLayerRendererTest(std::make_shared<ManualClock>())
    {
    }
    explicit GtkLayerRendererTest(std::shared_ptr<ManualClock> clock)
        : GtkDisplayTest(clock)
        , m_clock(std::move(clock))
    {
    }
    void SetUp() override
    {
        GtkDisplayTest::SetUp();
        if (IsSkipped())
            return;
        Application::shared().setStatusBarHidden(true);
        m_screen = std::make_unique<GtkScreenWidget>();
        m_window = View::make<Window>(Screen::mainScreen().bounds());
        m_window->setBackgroundColor(Color::black());
        m_square = View::make<View>(Rect { 100, 100, 50, 50 });
        m_square->setBackgroundColor(Color::whiteColor());
        m_window->addSubview(m_square);
        m_window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        m_square.reset();
        m_window.reset();
        m_screen.reset();
        GtkDisplayTest::TearDown();
    }

    // One frame of the whole screen at one unit and one pixel per point.
    GRefPtr<GskRenderNode> frame()
    {
        GtkSnapshot* snapshot = gtk_snapshot_new();
        m_screen->renderer().snapshotScreen(snapshot, 1.0, 1.0);
        return adoptGRef(gtk_snapshot_free_to_node(snapshot));
    }
    const std::vector<Rect>& damage() { return m_screen->renderer().lastFrameDamage(); }
    GtkLayerRenderer& renderer() { return m_screen->renderer(); }

    std::shared_ptr<ManualClock> m_clock;
    std::unique_ptr<GtkScreenWidget> m_screen;
    std::shared_ptr<Window> m_window;
    std::shared_ptr<View> m_square;
};

TEST_F(GtkLayerRendererTest, DamageIsWhatChangedSinceTheLastFrame)
{
    frame();
    // Everything is new in the first frame.
    ASSERT_FALSE(damage().empty());
    EXPECT_EQ(damage().front(), (Rect { 0, 0, 320, 480 }));

    frame();
    EXPECT_TRUE(damage().empty());

    m_square->setBackgroundColor(Color::redColor());
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 100, 100, 50, 50 } }));

    // A move redraws where it was and where it is.
    m_square->setFrame({ 10.5, 20, 50, 50 });
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 100, 100, 50, 50 }, { 10, 20, 51, 50 } }));

    // Fading the window fades its square too: both redraw.
    m_window->setAlpha(0.5);
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 0, 0, 320, 480 }, { 10, 20, 51, 50 } }));
    m_window->setAlpha(1);
    frame();

    // Hidden or gone, a layer leaves its last place to redraw, once.
    m_square->setHidden(true);
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 10, 20, 51, 50 } }));
    frame();
    EXPECT_TRUE(damage().empty());
    m_square->setHidden(false);
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 10, 20, 51, 50 } }));
    m_square->removeFromSuperview();
    m_square.reset();
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 10, 20, 51, 50 } }));

    // A layer's own pixels drawn anew are damage; a layer far off screen is clipped away.
    auto label = View::make<Label>(Rect { 10, 400, 200, 30 });
    label->setText("One");
    m_window->addSubview(label);
    auto offScreen = View::make<View>(Rect { 1000, 1000, 10, 10 });
    offScreen->setBackgroundColor(Color::whiteColor());
    m_window->addSubview(offScreen);
    frame();
    frame();
    label->setText("Two");
    frame();
    EXPECT_EQ(damage(), (std::vector<Rect> { { 10, 400, 200, 30 } }));
    offScreen->setBackgroundColor(Color::redColor());
    frame();
    EXPECT_TRUE(damage().empty());
}

TEST_F(GtkLayerRendererTest, TheOutlineSurroundsTheRedrawnAreaOnly)
{
    EXPECT_FALSE(renderer().showsDamage());
    renderer().setShowsDamage(true);
    m_square->setBackgroundColor(Color(0, 0, 1, 1));
    frame();
    // A frame that changed nothing keeps the last outline: around the
    // window and the square, new in the first frame.
    EXPECT_EQ(render(frame().get(), 320, 480).redCount(), (2 * 320 + 2 * 478) + (2 * 50 + 2 * 48));
    EXPECT_TRUE(damage().empty());

    m_square->setBackgroundColor(Color(0, 1, 0, 1));
    const char* saveTo = std::getenv("VANTREL_DAMAGE_PICTURE");
    Picture picture = render(frame().get(), 320, 480, saveTo);
    ASSERT_EQ(picture.width, 320);
    // A one-pixel ring on the square's edge, nothing red elsewhere.
    EXPECT_EQ(picture.redCount(), 2 * 50 + 2 * 48);
    for (int i = 100; i < 150; ++i) {
        EXPECT_TRUE(Picture::isRed(picture.at(i, 100)));
        EXPECT_TRUE(Picture::isRed(picture.at(i, 149)));
        EXPECT_TRUE(Picture::isRed(picture.at(100, i)));
        EXPECT_TRUE(Picture::isRed(picture.at(149, i)));
    }
    EXPECT_EQ(picture.at(125, 125) & 0xFFFFFF, 0x00FF00u);

    // Off again: the same change shows no outline.
    renderer().setShowsDamage(false);
    m_square->setBackgroundColor(Color(0, 0, 1, 1));
    EXPECT_EQ(render(frame().get(), 320, 480).redCount(), 0);
    EXPECT_EQ(damage(), (std::vector<Rect> { { 100, 100, 50, 50 } }));
}

TEST_F(GtkLayerRendererTest, AFlashingScreenKeepsItsCachesBoundedOverAThousandFrames)
{
    // The pixel test's pattern: the square flips colour every frame, a
    // label counts, and a layer pulses.
    auto label = View::make<Label>(Rect { 10, 400, 200, 30 });
    m_window->addSubview(label);
    auto pulse = View::make<View>(Rect { 200, 200, 40, 40 });
    pulse->setBackgroundColor(Color::whiteColor());
    m_window->addSubview(pulse);
    size_t mostTextures = 0;
    for (int i = 0; i < 1000; ++i) {
        m_square->setBackgroundColor(i % 2 ? Color::whiteColor() : Color::redColor());
        label->setText("Frame " + std::to_string(i));
        pulse->setAlpha(0.5 + 0.5 * (i % 10) / 10.0);
        RunLoop::main().advance(1.0 / 30);
        frame();
        mostTextures = std::max(mostTextures, renderer().cachedTextureCount());
        ASSERT_EQ(damage().size(), i == 0 ? damage().size() : 3u) << i;
    }
    // One texture per layer with pixels of its own, however many frames.
    EXPECT_LE(mostTextures, 2u);
    EXPECT_EQ(renderer().textureUploads(), 1000u);
    // The label's last picture is held by the label, the renderer and the
    // nodes showing it; once the label is gone, by the label alone.
    cairo_surface_t* picture = label->layer().backingSurface(label->bounds(), 1.0);
    ASSERT_TRUE(picture);
    EXPECT_GT(cairo_surface_get_reference_count(picture), 1u);
    label->removeFromSuperview();
    frame();
    EXPECT_EQ(renderer().cachedTextureCount(), 0u);
    EXPECT_EQ(cairo_surface_get_reference_count(picture), 1u);
}

TEST_F(GtkLayerRendererTest, TheHostOutlinesDamageWhenTheEnvironmentAsks)
{
    setenv("VANTREL_SHOW_DAMAGE", "1", 1);
    GtkHost host({ 1.0 });
    RunLoop::main().setClock(nullptr);
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    unsetenv("VANTREL_SHOW_DAMAGE");
    auto& renderer = host.screen()->renderer();
    EXPECT_TRUE(renderer.showsDamage());
    auto waitForDraws = [&](int frames) {
        int target = host.drawCount() + frames;
        return RunLoop::main().runUntil([&] { return host.drawCount() >= target; }, 5.0);
    };
    Application::shared().setNeedsDisplay();
    ASSERT_TRUE(waitForDraws(1));
    m_square->setBackgroundColor(Color::redColor());
    ASSERT_TRUE(waitForDraws(1));
    EXPECT_EQ(renderer.lastFrameDamage(), (std::vector<Rect> { { 100, 100, 50, 50 } }));
    host.close();

    // Any other value leaves it off.
    setenv("VANTREL_SHOW_DAMAGE", "0", 1);
    GtkScreenWidget other;
    unsetenv("VANTREL_SHOW_DAMAGE");
    EXPECT_FALSE(other.renderer().showsDamage());
}
