// How long a flexible banner of 200 elements takes from its description to
// its first drawing at the phone's scale, and how much memory one built and
// drawn banner holds. The pictures are decoded beforehand, as the build finds
// them after its downloads.
#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "json/JSONDeserializer.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <malloc.h>
#include <string>
#include <sys/resource.h>

namespace {

std::string element(int i)
{
    std::string at = std::to_string(i % 280) + "," + std::to_string(i % 30);
    switch (i % 5) {
    case 0:
        return R"({"t":"l","f":[)" + at + R"(,120,18],"x":"Offer number )" + std::to_string(i)
            + R"(","fs":13,"fco":[1,1,1,1],"ut":"l)" + std::to_string(i) + R"("})";
    case 1:
        return R"({"t":"P","f":[)" + at + R"(,30,12],"bgc":[0.2,0.5,0.8,0.5]})";
    case 2:
        return R"({"t":"i","$":"icon","f":[)" + at + R"(,24,24],"b":true})";
    case 3:
        return R"({"t":"bg","f":[)" + at + R"(,60,16],"bc":[0.3,0.6,0.3,1]})";
    default:
        return R"({"t":"l","f":[)" + at + R"(,80,14],"x":"Tap for more","fs":10,"fc":1,)"
            + R"("a":[{"t":"B","kp":"opacity","vt":"F","fv":0,"tv":1,"d":0.5}]})";
    }
}

// 200 elements: 172 on the banner, then a paged group (one more) of three
// pages of 9 elements each (27 more).
JSONValue description()
{
    std::string v;
    for (int i = 0; i < 172; ++i)
        v += (i ? "," : "") + element(i);
    std::string pages;
    for (int page = 0; page < 3; ++page) {
        std::string items;
        for (int i = 0; i < 9; ++i)
            items += (i ? "," : "") + element(page * 9 + i);
        pages += (page ? "," : "") + (R"({"v":[)" + items + "]}");
    }
    v += R"(,{"t":"p","f":[0,0,320,48],"p":[)" + pages + "]}";
    return JSONDeserializer().deserialize(R"({"ta":[0,0,320,48],"v":[)" + v + "]}").value();
}

std::shared_ptr<Image> icon()
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 48, 48);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.9, 0.4, 0.1);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(surface);
    cairo_surface_destroy(surface);
    return image;
}

std::shared_ptr<PellarFlexAd> buildAndDraw(const JSONValue& markup, const std::shared_ptr<Image>& picture)
{
    auto flexAd = PellarFlexAd::create(markup, {}, {}, { 0, 0, 320, 48 });
    flexAd->setDecodedAssets({ { "icon", picture } });
    flexAd->buildFlexAd();
    ImageContext image(flexAd->containerView()->bounds().size, 2);
    flexAd->containerView()->layer().renderInContext(image.context());
    return flexAd;
}

void BM_FlexibleBannerOf200ElementsBuiltAndFirstDrawn(benchmark::State& state)
{
    auto markup = description();
    auto picture = icon();
    size_t elements = 0;
    for (auto _ : state) {
        auto flexAd = buildAndDraw(markup, picture);
        elements = flexAd->containerView()->subviews().size();
        RunLoop::main().runUntilIdle();
    }
    // Memory one banner holds once built and drawn: element views, layers and
    // their backing images.
    size_t before = mallinfo2().uordblks;
    auto kept = buildAndDraw(markup, picture);
    size_t after = mallinfo2().uordblks;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["banner_views"] = static_cast<double>(elements);
    state.counters["banner_heap_KiB"] = static_cast<double>(after - before) / 1024;
    state.counters["process_peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_FlexibleBannerOf200ElementsBuiltAndFirstDrawn)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
