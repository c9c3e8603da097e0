#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "ads/flex/PellarGradientView.h"
#include "ads/flex/PellarImageView.h"
#include "ads/flex/PellarLabelView.h"
#include "ads/flex/PellarPagingScrollView.h"
#include "ads/flex/PellarPlainView.h"
#include "ads/flex/PellarTouchForwardingView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PendingWork.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/layers/Animation.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "json/JSONDeserializer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The flexible ad's delegate, recording both answers.
struct FlexRecorder final : PellarFlexAdDelegate {
    void flexAdDidLoad(PellarFlexAd&) override { ++loaded; }
    void flexAdDidFailLoadWithError(PellarFlexAd&, const Error& e) override
    {
        ++failed;
        error = e;
    }
    int loaded { 0 };
    int failed { 0 };
    std::optional<Error> error;
};

// A host with colours of its own.
struct ColourfulHost final : PellarDelegate {
    std::string publisherId() override { return "pub-1"; }
    std::optional<std::optional<Color>> primaryTextColor() override { return std::optional<Color>(primary); }
    std::optional<std::optional<Color>> secondaryTextColor() override { return std::optional<Color>(secondary); }
    std::optional<std::optional<Color>> adBackgroundColor() override { return std::optional<Color>(std::nullopt); }
    Color primary { Color::rgba(1, 0, 0) };
    Color secondary { Color::rgba(0, 1, 0) };
};

class PellarFlexAdTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        PellarFlexAd::resetColorCaches();
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
        host = std::make_shared<MinimalHost>();
    }
    void TearDown() override
    {
        Log::setCaptureHook(nullptr);
        flexAd.reset();
        PellarFlexAd::resetColorCaches();
        AdFixture::TearDown();
    }
    std::shared_ptr<PellarFlexAd> build(const std::string& json)
    {
        auto description = JSONDeserializer().deserialize(json);
        EXPECT_TRUE(description) << json;
        flexAd = PellarFlexAd::create(description.value_or(JSONValue()), recorder, host, { 0, 0, 320, 48 });
        flexAd->buildFlexAd();
        return flexAd;
    }
    const std::vector<std::shared_ptr<View>>& views() { return flexAd->containerView()->subviews(); }
    template <typename T> T* viewAt(size_t index) { return dynamic_cast<T*>(views().at(index).get()); }
    bool logged(const std::string& text) const
    {
        for (auto& line : logLines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::shared_ptr<FlexRecorder> recorder { std::make_shared<FlexRecorder>() };
    std::shared_ptr<PellarFlexAd> flexAd;
    std::vector<std::string> logLines;
};

std::string repeated(const std::string& item, size_t count)
{
    std::string list;
    for (size_t i = 0; i < count; ++i)
        list += (i ? "," : "") + item;
    return list;
}

} // namespace

TEST_F(PellarFlexAdTest, TopLevelSettingsAndElementsInOrder)
{
    build(R"({"ta":[0,0,300,43],"itid":2.5,"ucat":false,"v":[
        5, {"f":[1,1,1,1]}, {"t":"x","f":[1,1,1,1]}, {"t":7},
        {"t":"P"},
        {"t":"P","f":[10,5,30,20],"bgc":[1,0,0,1],"ut":"box","cav":false,"a":[{"t":"B","kp":"opacity","vt":"F"}]},
        {"t":"bg","f":[0,0,320,48],"cav":0,"ut":"back"},
        {"t":"p","f":[0,0,320,48],"p":[{"v":[]}]},
        {"t":"l","f":[0,0,100,20],"x":"Hi","ut":5}]})");
    // No assets: the answer comes inside the build.
    EXPECT_EQ(recorder->loaded, 1);
    EXPECT_EQ(server.requests().size(), 0u);
    auto& container = *flexAd->containerView();
    EXPECT_EQ(container.touchableArea(), container.bounds()); // 43 points high is too small
    EXPECT_FLOAT_EQ(container.initialTouchIgnoreDuration(), 2.5f);
    EXPECT_FALSE(container.useCATransaction());
    ASSERT_EQ(views().size(), 5u);
    auto* bare = viewAt<PellarPlainView>(0);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->frame(), Rect(0, 0, 0, 0));
    EXPECT_EQ(bare->backgroundColor(), Color::clear());
    EXPECT_FALSE(bare->uiTag());
    EXPECT_FALSE(bare->animation());
    auto* box = viewAt<PellarPlainView>(1);
    EXPECT_EQ(box->frame(), Rect(10, 5, 30, 20));
    EXPECT_EQ(box->backgroundColor(), Color::rgba(1, 0, 0, 1));
    EXPECT_EQ(box->uiTag(), "box");
    EXPECT_TRUE(box->animation());
    EXPECT_TRUE(viewAt<PellarGradientView>(2));
    // The later "cav" wins, whatever its value.
    EXPECT_EQ(container.clickAnimationView().get(), views()[2].get());
    auto* group = viewAt<PellarPagingScrollView>(3);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->uiTag(), "scroll");
    EXPECT_FALSE(viewAt<PellarLabelView>(4)->uiTag()); // a tag must be a string

    // A usable touchable area is kept; defaults when the keys are missing.
    recorder = std::make_shared<FlexRecorder>();
    build(R"({"ta":[10,0,44,44]})");
    EXPECT_EQ(flexAd->containerView()->touchableArea(), Rect(10, 0, 44, 44));
    EXPECT_FLOAT_EQ(flexAd->containerView()->initialTouchIgnoreDuration(), 0);
    EXPECT_TRUE(flexAd->containerView()->useCATransaction());
    EXPECT_EQ(recorder->loaded, 1);
}

TEST_F(PellarFlexAdTest, LabelsReadEveryKeyWithDefaults)
{
    host = std::make_shared<ColourfulHost>();
    build(R"({"v":[
        {"t":"l","x":"Plain"},
        {"t":"l","x":["no"],"fs":"20pt","fn":"Courier","fco":[0,0,1,1],"fc":1,"afstfw":"no","mfs":11,"nol":3},
        {"t":"l","fco":[1,0,0],"fc":1},
        {"t":"l","fco":"red","fc":2}]})");
    ASSERT_EQ(views().size(), 4u);
    auto* plain = viewAt<PellarLabelView>(0);
    EXPECT_EQ(plain->text(), "Plain");
    EXPECT_DOUBLE_EQ(plain->font().pointSize(), PellarFlexAd::kSystemFontSize);
    EXPECT_EQ(plain->font().name(), Font::systemFont(14).name());
    EXPECT_EQ(plain->textColor(), Color::rgba(1, 0, 0)); // primary
    EXPECT_TRUE(plain->adjustsFontSizeToFitWidth());
    EXPECT_DOUBLE_EQ(plain->minimumFontSize(), 8);
    EXPECT_EQ(plain->numberOfLines(), 1);
    EXPECT_EQ(plain->backgroundColor(), Color::clear());
    auto* set = viewAt<PellarLabelView>(1);
    EXPECT_EQ(set->text(), "");
    EXPECT_DOUBLE_EQ(set->font().pointSize(), 20);
    EXPECT_EQ(set->font().name(), "Courier");
    EXPECT_EQ(set->textColor(), Color::rgba(0, 0, 1, 1)); // "fco" beats "fc"
    EXPECT_FALSE(set->adjustsFontSizeToFitWidth());
    EXPECT_DOUBLE_EQ(set->minimumFontSize(), 11);
    EXPECT_EQ(set->numberOfLines(), 3);
    EXPECT_EQ(viewAt<PellarLabelView>(2)->textColor(), Color::rgba(0, 1, 0)); // too short: "fc" 1, secondary
    EXPECT_EQ(viewAt<PellarLabelView>(3)->textColor(), Color::rgba(1, 0, 0)); // "fc" 2: primary

    // The first host fixes the colours for every later ad; a host answering
    // no colour gets the default.
    auto other = std::make_shared<ColourfulHost>();
    other->primary = Color::rgba(0, 0, 0);
    host = other;
    build(R"({"v":[{"t":"l"},{"t":"bg"}]})");
    EXPECT_EQ(viewAt<PellarLabelView>(0)->textColor(), Color::rgba(1, 0, 0));
    EXPECT_EQ(viewAt<PellarGradientView>(1)->baseGradientColor(), PellarFlexAd::defaultAdBackgroundColor());
}

TEST_F(PellarFlexAdTest, GradientEndsAtItsOwnEndPointElseAtItsInitialAlpha)
{
    build(R"({"v":[{"t":"bg","ia":0.7},{"t":"bg","ep":0.2},{"t":"bg","ia":0.7,"ep":0.2},{"t":"bg"}]})");
    ASSERT_EQ(views().size(), 4u);
    struct Expected {
        float initialAlpha;
        float endPoint;
    };
    const Expected expected[] = { { 0.7f, 0.7f }, { 0.5f, 0.2f }, { 0.7f, 0.2f }, { 0.5f, 0.4375f } };
    for (size_t i = 0; i < std::size(expected); ++i) {
        auto* gradient = viewAt<PellarGradientView>(i);
        EXPECT_FLOAT_EQ(gradient->initialAlpha(), expected[i].initialAlpha) << i;
        EXPECT_FLOAT_EQ(gradient->endPointY(), expected[i].endPoint) << i;
    }
}

TEST_F(PellarFlexAdTest, GradientsAndPagedGroups)
{
    build(R"({"v":[
        {"t":"bg","f":[0,0,320,48]},
        {"t":"bg","bc":[0,0.5,0,1],"ia":0.8,"ep":0.25},
        {"t":"p","pr":"h","p":[{"v":[{"t":"P"}]}]},
        {"t":"p","pr":5,"f":[0,0,320,48],"ip":2,"p":[
            {"v":[{"t":"P","f":[1,2,3,4]}]}, 7, {"v":[{"t":"P","f":[5,6,7,8]},{"t":"l","f":[0,0,50,20]}]}]},
        {"t":"p","f":[0,0,320,48],"ip":-3,"p":{"v":[]}},
        {"t":"p","f":[0,0,320,48],"ip":9,"p":[{},{}]}]})");
    ASSERT_EQ(views().size(), 5u); // the unknown presentation is skipped
    auto* plainGradient = viewAt<PellarGradientView>(0);
    EXPECT_EQ(plainGradient->baseGradientColor(), PellarFlexAd::defaultAdBackgroundColor());
    EXPECT_FLOAT_EQ(plainGradient->initialAlpha(), 0.5f);
    EXPECT_FLOAT_EQ(plainGradient->endPointY(), 0.4375f);
    auto* tinted = viewAt<PellarGradientView>(1);
    EXPECT_EQ(tinted->baseGradientColor(), Color::rgba(0, 0.5, 0, 1));
    EXPECT_FLOAT_EQ(tinted->initialAlpha(), 0.8f);
    EXPECT_FLOAT_EQ(tinted->endPointY(), 0.25f);

    // Three pages; the second is no object, yet the third keeps its place.
    auto* group = viewAt<PellarPagingScrollView>(2);
    EXPECT_EQ(group->numberOfPages(), 3u);
    EXPECT_EQ(group->initialPage(), 2u);
    EXPECT_EQ(group->scrollView()->contentSize(), (Size { 960, 48 }));
    auto& content = group->touchForwardingView()->subviews();
    ASSERT_EQ(content.size(), 3u);
    EXPECT_EQ(content[0]->frame(), Rect(1, 2, 3, 4));
    EXPECT_EQ(content[1]->frame(), Rect(645, 6, 7, 8));
    EXPECT_EQ(content[2]->frame(), Rect(640, 0, 50, 20));
    EXPECT_EQ(group->touchForwardingView()->delegate().get(), flexAd->containerView().get());
    EXPECT_EQ(group->scrollView()->subviews().front(), group->touchForwardingView());
    EXPECT_EQ(group->pageControl()->currentPage(), 2);
    EXPECT_DOUBLE_EQ(group->pageControl()->alpha(), 0.35);
    // No pages: no indicator to see. A negative initial page is the first,
    // one past the end the last.
    auto* empty = viewAt<PellarPagingScrollView>(3);
    EXPECT_EQ(empty->numberOfPages(), 0u);
    EXPECT_EQ(empty->initialPage(), 0u);
    EXPECT_EQ(viewAt<PellarPagingScrollView>(4)->initialPage(), 1u);
    EXPECT_TRUE(viewAt<PellarPagingScrollView>(4)->pageControl()->isHidden() == false);
}

TEST_F(PellarFlexAdTest, AssetsAreDownloadedBeforeTheBuild)
{
    server.respond("/a.png", { .body = pngOfSize(40, 40), .contentType = "image/png", .delay = 0.3 });
    server.respond("/b.png", { .body = pngOfSize(20, 20), .contentType = "image/png" });
    server.respond("/junk", { .body = "not an image" });
    build(R"({"$":{"a":{"u":")" + server.url("/a.png") + R"("},"b":{"u":")" + server.url("/b.png") + R"("},"c":{"u":")"
        + server.url("/junk") + R"("},"d":"no entry","e":{"u":5}},"v":[
        {"t":"i","$":"a","f":[0,0,40,40],"b":true},
        {"t":"i","$":"b","b":"yes","bw":2,"br":"3","bcmp":1,"bdc":[1,0,0,1],"blc":"x"},
        {"t":"i","$":"b","bw":2},
        {"t":"i","$":"c"}, {"t":"i","$":"missing"}, {"t":"i"}]})");
    EXPECT_EQ(flexAd->downloadsInFlight(), 3u);
    ASSERT_TRUE(waitUntil([&] { return recorder->loaded + recorder->failed > 0; }));
    EXPECT_EQ(recorder->loaded, 1);
    EXPECT_EQ(server.requests().size(), 3u);
    ASSERT_EQ(views().size(), 3u); // missing and undecodable assets are skipped
    auto* bevelled = viewAt<PellarImageView>(0);
    EXPECT_EQ(bevelled->image()->size(), (Size { 40, 40 }));
    EXPECT_TRUE(bevelled->isBeveled());
    EXPECT_FLOAT_EQ(bevelled->bevelWidth(), 0.5f);
    EXPECT_FLOAT_EQ(bevelled->bevelRadius(), 6.5f);
    EXPECT_FLOAT_EQ(bevelled->bevelCornerMeetingPoint(), 0.5f);
    EXPECT_EQ(bevelled->bevelDarkColor(), Color::white(0.4));
    EXPECT_EQ(bevelled->bevelLightColor(), Color::white(0.937));
    auto* set = viewAt<PellarImageView>(1);
    EXPECT_FLOAT_EQ(set->bevelWidth(), 2);
    EXPECT_FLOAT_EQ(set->bevelRadius(), 3);
    EXPECT_FLOAT_EQ(set->bevelCornerMeetingPoint(), 1);
    EXPECT_EQ(set->bevelDarkColor(), Color::rgba(1, 0, 0, 1));
    auto* flat = viewAt<PellarImageView>(2);
    EXPECT_FALSE(flat->isBeveled());
    EXPECT_FLOAT_EQ(flat->bevelWidth(), 0); // not read unless bevelled
    EXPECT_FALSE(flat->bevelDarkColor());
}

TEST_F(PellarFlexAdTest, AssetTableFailures)
{
    // Not an object: fails with its own code and builds nothing.
    build(R"({"$":"assets","v":[{"t":"P"}]})");
    EXPECT_EQ(recorder->failed, 1);
    EXPECT_EQ(recorder->error, (Error { "kPellarFlexAdErrorDomain", -1, {} }));
    EXPECT_TRUE(views().empty());
    // Empty, or with no usable entry: builds at once.
    for (const char* table : { R"({})", R"({"a":{"u":null},"b":[]})" }) {
        recorder = std::make_shared<FlexRecorder>();
        build(std::string(R"({"$":)") + table + R"(,"v":[{"t":"P"}]})");
        EXPECT_EQ(recorder->loaded, 1) << table;
        EXPECT_EQ(views().size(), 1u);
    }
    // One download fails: the other is cancelled, and only the failure is told.
    recorder = std::make_shared<FlexRecorder>();
    server.respond("/gone.png", { .status = 404, .body = "gone" });
    server.respond("/slow.png", { .body = pngOfSize(4, 4), .contentType = "image/png", .delay = 1.0 });
    build(R"({"$":{"slow":{"u":")" + server.url("/slow.png") + R"("},"gone":{"u":")" + server.url("/gone.png")
        + R"("}},"v":[{"t":"P"}]})");
    ASSERT_TRUE(waitUntil([&] { return recorder->failed > 0; }));
    EXPECT_EQ(recorder->error->domain, "kPellarURLDownloadErrorDomain");
    EXPECT_EQ(flexAd->downloadsInFlight(), 0u);
    loop().runUntil([] { return false; }, 1.5);
    EXPECT_EQ(recorder->loaded, 0);
    EXPECT_EQ(recorder->failed, 1);
    EXPECT_TRUE(views().empty());
}

TEST_F(PellarFlexAdTest, DroppingTheAdCancelsItsDownloads)
{
    server.respond("/slow.png", { .body = pngOfSize(4, 4), .contentType = "image/png", .delay = 2.0 });
    build(R"({"$":{"a":{"u":")" + server.url("/slow.png") + R"("}},"v":[]})");
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("/slow.png") == 1; }));
    EXPECT_TRUE(PendingWork::any());
    flexAd.reset();
    EXPECT_FALSE(PendingWork::any());
    loop().runUntil([] { return false; }, 2.5);
    EXPECT_EQ(recorder->loaded + recorder->failed, 0);
}

TEST_F(PellarFlexAdTest, CapsBoundTheWorkADescriptionAsksFor)
{
    // Assets: only the first 32 are fetched; the rest count as missing.
    server.respond("/i.png", { .body = pngOfSize(4, 4), .contentType = "image/png" });
    std::string table;
    for (int i = 0; i < 40; ++i)
        table += (i ? "," : "") + ("\"a" + std::to_string(i) + "\":{\"u\":\"" + server.url("/i.png") + "\"}");
    build("{\"$\":{" + table + "},\"v\":[{\"t\":\"i\",\"$\":\"a0\"},{\"t\":\"i\",\"$\":\"a39\"}]}");
    ASSERT_TRUE(waitUntil([&] { return recorder->loaded > 0; }));
    EXPECT_EQ(server.requestsTo("/i.png"), 32);
    EXPECT_EQ(views().size(), 1u);
    EXPECT_TRUE(logged("more than 32 assets"));

    // Bytes: assets past the total are left out.
    recorder = std::make_shared<FlexRecorder>();
    std::string big(PellarFlexAd::kMaximumTotalAssetBytes / 2 + 1, 'x');
    server.respond("/big1", { .body = big });
    server.respond("/big2", { .body = big, .delay = 0.2 });
    build(
        R"({"$":{"one":{"u":")" + server.url("/big1") + R"("},"two":{"u":")" + server.url("/big2") + R"("}},"v":[]})");
    ASSERT_TRUE(waitUntil([&] { return recorder->loaded > 0; }));
    EXPECT_TRUE(logged("bytes in total"));

    // Elements: 2,000 at most, pages included.
    recorder = std::make_shared<FlexRecorder>();
    build(R"({"v":[)" + repeated(R"({"t":"P"})", 2001) + "]}");
    EXPECT_EQ(views().size(), 2000u);
    EXPECT_TRUE(logged("more than 2000 elements"));
    build(R"({"v":[{"t":"P"},{"t":"p","p":[)" + repeated("{}", 2100) + "]}]}");
    EXPECT_EQ(viewAt<PellarPagingScrollView>(1)->numberOfPages(), 1998u);

    // Drawn area: each element's backing image counts; plain boxes draw nothing.
    build(R"({"v":[{"t":"bg","f":[0,0,5000,5000]},{"t":"l","f":[0,0,1024,1024]},{"t":"P","f":[0,0,1024,1024]}]})");
    ASSERT_EQ(views().size(), 2u); // the first is kept to 1024 × 1024
    EXPECT_TRUE(viewAt<PellarPlainView>(1));
    EXPECT_TRUE(logged("square points"));

    // Nesting: groups deeper than 8 are left out.
    std::string nested = R"({"t":"P"})";
    for (int depth = 0; depth < 10; ++depth)
        nested = R"({"t":"p","f":[0,0,320,48],"p":[{"v":[)" + nested + "]}]}";
    build(R"({"v":[)" + nested + "]}");
    int groups = 0;
    for (View* v = views().front().get(); v;) {
        auto* group = dynamic_cast<PellarPagingScrollView*>(v);
        if (!group)
            break;
        ++groups;
        auto& inner = group->touchForwardingView()->subviews();
        v = inner.empty() ? nullptr : inner.front().get();
    }
    EXPECT_EQ(groups, 8);
    EXPECT_TRUE(logged("deeper than 8"));
}

TEST_F(PellarFlexAdTest, AnimationsAreBoundedPerMemberPerElementAndPerAd)
{
    auto membersOf = [&](size_t index) {
        auto* flexView = dynamic_cast<PellarFlexAdViewProtocol*>(views().at(index).get());
        auto group = flexView ? std::dynamic_pointer_cast<AnimationGroup>(flexView->animation()) : nullptr;
        return group ? group->animations().size() : 0u;
    };
    auto keyframe
        = [](size_t values) { return R"({"t":"K","kp":"opacity","vt":"F","vs":[)" + repeated("0.5", values) + "]}"; };
    const std::string basic = R"({"t":"B","kp":"opacity","vt":"F","fv":0,"tv":1})";

    // Members: 64 on one element; a key-frame member of 1,000 values, not 1,001.
    build(R"({"v":[{"t":"P","a":[)" + repeated(basic, 65) + R"(]},{"t":"P","a":[)" + keyframe(1000) + ","
        + keyframe(1001) + "]}]}");
    EXPECT_EQ(membersOf(0), 64u);
    EXPECT_EQ(membersOf(1), 1u);
    EXPECT_TRUE(logged("more than 64 animation members"));
    EXPECT_TRUE(logged("more than 1000 values"));

    // The ad: 20,000 values in all, whatever the elements; once spent, later
    // members are left out but the elements stay.
    std::string elements;
    for (int i = 0; i < 21; ++i)
        elements += (i ? "," : "") + (R"({"t":"P","a":[)" + keyframe(1000) + "]}");
    build(R"({"v":[)" + elements + R"(,{"t":"P","a":[)" + basic + "]}]}");
    ASSERT_EQ(views().size(), 22u);
    EXPECT_EQ(membersOf(19), 1u);
    EXPECT_EQ(membersOf(20), 0u);
    EXPECT_EQ(membersOf(21), 0u);
    EXPECT_TRUE(logged("more than 20000 animation values"));
}

TEST_F(PellarFlexAdTest, AnAdDroppedWhileItsPicturesDecodeHearsNothingAndLeavesNothing)
{
    server.respond("/big.png", { .body = pngOfSize(2000, 2000), .contentType = "image/png" });
    build(R"({"$":{"a":{"u":")" + server.url("/big.png") + R"("}},"v":[{"t":"i","$":"a"}]})");
    // The download is in; the decode runs on a worker.
    ASSERT_TRUE(waitUntil([&] { return flexAd->downloadsInFlight() == 0; }));
    ASSERT_EQ(recorder->loaded + recorder->failed, 0) << "decoded before it could be dropped";
    std::weak_ptr<PellarFlexAd> weakAd = flexAd;
    flexAd.reset();
    EXPECT_TRUE(weakAd.expired());
    ASSERT_TRUE(waitUntil([] { return !PendingWork::any(); }));
    loop().runUntilIdle();
    EXPECT_EQ(recorder->loaded + recorder->failed, 0);
}
