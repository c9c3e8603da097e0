#include "ads/core/PellarStoreURLCleaner.h"
#include "ads/core/PellarStoreURLCleanerDelegate.h"
#include "platform/ui/views/Application.h"
#include "tests/ads/core/AdsCoreFixture.h"

#include <vector>

namespace {

struct Owner : PellarStoreURLCleanerDelegate {
    std::vector<std::string> results;
    std::shared_ptr<PellarStoreURLCleaner> cleaner;
    void cleanerDidGenerateURL(PellarStoreURLCleaner&, const URL& url) override
    {
        results.push_back(url.absoluteString());
        cleaner = nullptr; // the owner lets go inside the callback
    }
};

URL url(const std::string& text)
{
    auto parsed = URL::withString(text);
    EXPECT_TRUE(parsed) << text;
    return *parsed;
}

class PellarStoreURLCleanerTest : public AdsCoreFixture {
protected:
    void SetUp() override
    {
        AdsCoreFixture::SetUp();
        Application::shared().setOpenURLHook([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        owner = std::make_shared<Owner>();
    }
    std::string cleanThrough(const std::string& link)
    {
        owner->results.clear();
        owner->cleaner = PellarStoreURLCleaner::create(url(link), owner);
        EXPECT_TRUE(loop().runUntil([&] { return !owner->results.empty(); }));
        return owner->results.empty() ? std::string() : owner->results.back();
    }

    std::vector<std::string> opened;
    std::shared_ptr<Owner> owner;
};

TEST_F(PellarStoreURLCleanerTest, RecognisesStoreHostsTheRedirectorAndTheStoreScheme)
{
    EXPECT_TRUE(PellarStoreURLCleaner::isStoreURL(url("http://web.store.example/app/id1")));
    EXPECT_TRUE(PellarStoreURLCleaner::isStoreURL(url("http://go.affiliate.example/link?id=1")));
    EXPECT_TRUE(PellarStoreURLCleaner::isStoreURL(url("storeapp://anything/app/id1")));
    EXPECT_FALSE(PellarStoreURLCleaner::isStoreURL(url("http://WEB.store.example/app/id1")));
    EXPECT_FALSE(PellarStoreURLCleaner::isStoreURL(url("http://127.0.0.1/app")));
    EXPECT_FALSE(PellarStoreURLCleaner::storeURLMightHaveRedirects(url("https://buy.store.example/x")));
    EXPECT_TRUE(PellarStoreURLCleaner::storeURLMightHaveRedirects(url("http://go.affiliate.example/x")));
}

TEST_F(PellarStoreURLCleanerTest, CleaningKeepsPathAndQueryOnlyAndNeverWritesANullQuery)
{
    EXPECT_EQ(PellarStoreURLCleaner::cleanStoreURLWithURL(url("storeapp://search.store.example:8080/app/id42?mt=8#top"))
                  .absoluteString(),
        "http://apps.store.example/app/id42?mt=8");
    EXPECT_EQ(PellarStoreURLCleaner::cleanStoreURLWithURL(url("http://buy.store.example/app/id42")).absoluteString(),
        "http://apps.store.example/app/id42");
    EXPECT_EQ(PellarStoreURLCleaner::cleanStoreURLWithURL(url("http://buy.store.example/app?")).absoluteString(),
        "http://apps.store.example/app?");
}

TEST_F(PellarStoreURLCleanerTest, LinkOnAStoreHostIsOpenedAtOnceWithoutAFetchOrACallback)
{
    auto configuration = PellarEndpoints::configuration();
    configuration.storeHosts = { "apps.store.example", "127.0.0.1", "web.store.example", "buy.store.example" };
    PellarEndpoints::setConfiguration(configuration);
    auto cleaner = PellarStoreURLCleaner::create(url(server.url("/app/id7?mt=8")), owner);
    EXPECT_TRUE(cleaner->isFinished());
    EXPECT_EQ(opened, std::vector<std::string> { "http://apps.store.example/app/id7?mt=8" });
    drain(0.1);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(owner->results.empty());
}

TEST_F(PellarStoreURLCleanerTest, TheLastURLThatRedirectedIsTheStoreLink)
{
    server.redirect("/one", "/landing");
    server.redirect("/two", "/hop?step=2");
    server.redirect("/hop", "/landing");
    server.respond("/landing", { .body = "page" });
    server.respond("/plain", { .body = "page" });

    EXPECT_EQ(cleanThrough(server.url("/one?id=1")), "http://apps.store.example/one?id=1");
    EXPECT_EQ(cleanThrough(server.url("/two")), "http://apps.store.example/hop?step=2");
    EXPECT_EQ(cleanThrough(server.url("/plain?x=y")), "http://apps.store.example/plain?x=y");
    EXPECT_TRUE(opened.empty());
}

TEST_F(PellarStoreURLCleanerTest, AFailedFetchHandsBackTheLinkAsGiven)
{
    server.redirect("/broken", "storeapp://store.example/app/id3");
    EXPECT_EQ(cleanThrough(server.url("/broken?a=1")), server.url("/broken?a=1"));
    std::string refused = "http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/x";
    EXPECT_EQ(cleanThrough(refused), refused);
}

TEST_F(PellarStoreURLCleanerTest, CancelledOrDroppedCleanersStaySilent)
{
    server.respond("/slow", { .body = "page", .delay = 0.2 });
    auto cancelled = PellarStoreURLCleaner::create(url(server.url("/slow")), owner);
    cancelled->cancel();
    auto dropped = PellarStoreURLCleaner::create(url(server.url("/slow")), owner);
    dropped = nullptr;
    drain(0.4);
    EXPECT_TRUE(owner->results.empty());
}

} // namespace
