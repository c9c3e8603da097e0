#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/GoldenImage.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <string>

namespace {

class FlexEndToEndTest : public EndToEndTest { };

// The banner strip at the top of a screenshot, at the screenshot's scale.
std::shared_ptr<Image> bannerOf(const Image& screen)
{
    double scale = screen.pixelWidth() / 320.0;
    int width = screen.pixelWidth(), height = static_cast<int>(48 * scale);
    cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(strip);
    cairo_set_source_surface(cr, screen.surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(strip, scale);
    cairo_surface_destroy(strip);
    return image;
}

// Whether two images differ anywhere by more than `tolerance` in a channel.
bool differ(const Image& a, const Image& b, int tolerance)
{
    cairo_surface_flush(a.surface());
    cairo_surface_flush(b.surface());
    const unsigned char* pa = cairo_image_surface_get_data(a.surface());
    const unsigned char* pb = cairo_image_surface_get_data(b.surface());
    int stride = cairo_image_surface_get_stride(a.surface());
    for (int y = 0; y < a.pixelHeight(); ++y) {
        for (int x = 0; x < a.pixelWidth() * 4; ++x) {
            if (std::abs(pa[y * stride + x] - pb[y * stride + x]) > tolerance)
                return true;
        }
    }
    return false;
}

} // namespace

// The demo rotation's eighth ad is the three-page carousel: seven refreshes,
// a minute apart. A swipe shows its second page; a tap then clicks the
// banner, and the click data carries the page change and the tap.
TEST_F(FlexEndToEndTest, CarouselShowsSwipesToItsNextPageAndClicksWithItsHistory)
{
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        "wait 0.5\n"
        "tap-label I understood\n"
        "wait 422\n"
        "screenshot "
            + (dir / "carousel.png").string()
            + "\n"
              "drag 300 24 60 24 0.3\n"
              "wait 1.5\n"
              "screenshot "
            + (dir / "next.png").string()
            + "\n"
              "tap 160 24\n"
              "wait 1\n"
              "quit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    // Its pictures came from the demo service (the icon for the ad before as well).
    EXPECT_EQ(service.requestsTo("/static/mobile/flex/phone.png").size(), 1u);
    EXPECT_EQ(service.requestsTo("/static/mobile/flex/star.png").size(), 1u);
    EXPECT_EQ(service.requestsTo("/static/mobile/flex/pixel-doctor.png").size(), 2u);

    auto carousel = shot("carousel.png"), next = shot("next.png");
    ASSERT_TRUE(carousel && next);
    auto first = bannerOf(*carousel), second = bannerOf(*next);
    EXPECT_TRUE(matchesGolden(*first, "tests/e2e/golden", "flex-carousel"));
    EXPECT_TRUE(matchesGolden(*second, "tests/e2e/golden", "flex-carousel-page-2"));
    EXPECT_TRUE(differ(*first, *second, 60));

    // One click, whose data holds the page change and the tap's two records.
    auto clicks = service.requestsTo("/click/flex-carousel");
    ASSERT_EQ(clicks.size(), 1u);
    auto body = JSONDeserializer().deserializeAsDictionary(clicks[0].find("body")->stringValue());
    ASSERT_TRUE(body);
    auto interactions = body->find("interactions");
    ASSERT_TRUE(interactions);
    auto pages = interactions->find("carousel");
    ASSERT_TRUE(pages && pages->isArray());
    ASSERT_EQ(pages->size(), 1u);
    EXPECT_TRUE((*pages)[0].stringValue().starts_with("1,")) << (*pages)[0].stringValue();
    auto touches = interactions->find("container");
    ASSERT_TRUE(touches && touches->find("touches"));
    auto records = *touches->find("touches");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].stringValue().starts_with("0,160,24,")) << records[0].stringValue();
    EXPECT_TRUE(records[1].stringValue().starts_with("1,160,24,")) << records[1].stringValue();
}
