#include "ads/core/PellarURLDownload.h"
#include "ads/core/PellarAppData.h"
#include "tests/ads/core/AdsCoreFixture.h"

#include <stdexcept>

namespace {

// A delegate that counts its callbacks and may act inside them.
struct Receiver {
    int successes { 0 };
    int failures { 0 };
    std::optional<std::string> dataAtCallback;
    std::function<void(PellarURLDownload&)> inside;

    void downloadDidSucceed(PellarURLDownload& download)
    {
        ++successes;
        dataAtCallback = download.data();
        if (inside)
            inside(download);
    }
    void downloadDidFail(PellarURLDownload& download)
    {
        ++failures;
        if (inside)
            inside(download);
    }
    bool done() const { return successes + failures > 0; }
};

class PellarURLDownloadTest : public AdsCoreFixture {
protected:
    std::shared_ptr<PellarURLDownload> makeDownload()
    {
        auto download = PellarURLDownload::create();
        download->setDelegate(receiver, &Receiver::downloadDidSucceed, &Receiver::downloadDidFail);
        return download;
    }
    Receiver receiver;
};

TEST_F(PellarURLDownloadTest, URLIsTrimmedAndTheLibraryHeadersGoOut)
{
    server.respond("/t", { .body = "body" });
    auto download = makeDownload();
    download->loadContentsOfURLAtString("  \t" + server.url("/t") + " \r\n");
    EXPECT_EQ(download->targetURL(), server.url("/t"));
    ASSERT_TRUE(loop().runUntil([&] { return receiver.done(); }));
    EXPECT_EQ(receiver.successes, 1);
    EXPECT_EQ(receiver.dataAtCallback, "body");
    ASSERT_EQ(server.requests().size(), 1u);
    auto& request = server.requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.headers.at("user-agent"), PellarURLDownload::userAgent());
    auto identifier = PellarAppData::deviceUniqueIdentifier();
    EXPECT_EQ(request.headers.count("x-pellar-isu"), identifier ? 1u : 0u);
    if (identifier) {
        EXPECT_EQ(request.headers.at("x-pellar-isu"), *identifier);
    }
}

TEST_F(PellarURLDownloadTest, StatusAbove399FailsWithMinus3EvenWithABodyAnd399Succeeds)
{
    server.respond("/missing", { .status = 404, .body = "not here" });
    server.respond("/odd", { .status = 399, .body = "odd but fine" });
    auto missing = makeDownload();
    missing->loadContentsOfURLAtString(server.url("/missing"));
    ASSERT_TRUE(loop().runUntil([&] { return receiver.done(); }));
    EXPECT_EQ(receiver.failures, 1);
    EXPECT_EQ(missing->error(), (Error { "kPellarURLDownloadErrorDomain", -3, {} }));

    Receiver second;
    auto odd = PellarURLDownload::create();
    odd->setDelegate(second, &Receiver::downloadDidSucceed, &Receiver::downloadDidFail);
    odd->loadContentsOfURLAtString(server.url("/odd"));
    ASSERT_TRUE(loop().runUntil([&] { return second.done(); }));
    EXPECT_EQ(second.successes, 1);
    EXPECT_EQ(second.dataAtCallback, "odd but fine");
}

TEST_F(PellarURLDownloadTest, AnyBodyMakesAPostWithoutContentTypeAndNoBodyAGet)
{
    server.respond("/p", { .body = "ok" });
    auto empty = makeDownload();
    empty->loadContentsOfURLAtString(server.url("/p"), std::string());
    ASSERT_TRUE(loop().runUntil([&] { return server.requests().size() == 1 && receiver.done(); }));
    auto& request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, "");
    EXPECT_EQ(request.headers.count("content-type"), 0u);
    EXPECT_EQ(request.headers.at("content-length"), "0");

    auto json = makeDownload();
    json->loadContentsOfURLAtString(server.url("/json"), std::string("{\"a\":1}"));
    ASSERT_TRUE(loop().runUntil([&] { return receiver.done() && server.requests().size() == 2; }));
    EXPECT_EQ(server.requests()[1].method, "POST");
    EXPECT_EQ(server.requests()[1].body, "{\"a\":1}");
    auto get = makeDownload();
    get->loadContentsOfURLAtString(server.url("/get"), std::nullopt);
    ASSERT_TRUE(loop().runUntil([&] { return server.requests().size() == 3; }));
    EXPECT_EQ(server.requests()[2].method, "GET");
}

TEST_F(PellarURLDownloadTest, FailuresToStartAreReportedOnTheNextPassAndMayCancelAndDrop)
{
    // -2: the text makes no URL. The report waits for the next pass (the
    // caller has not stored the download yet); the delegate cancels and
    // drops its only reference inside the callback.
    auto download = makeDownload();
    receiver.inside = [&](PellarURLDownload& d) {
        d.cancel();
        download = nullptr;
    };
    download->loadContentsOfURLAtString("http://exa mple/");
    EXPECT_EQ(receiver.failures, 0);
    loop().runUntilIdle();
    EXPECT_EQ(receiver.failures, 1);
    EXPECT_EQ(download, nullptr);

    // Cancelled before the pass: nothing is reported.
    Receiver quiet;
    auto cancelled = PellarURLDownload::create();
    cancelled->setDelegate(quiet, &Receiver::downloadDidSucceed, &Receiver::downloadDidFail);
    cancelled->loadContentsOfURLAtString("/click");
    cancelled->cancel();
    loop().runUntilIdle();
    EXPECT_EQ(quiet.failures, 0);

    // -1: preparing the connection threw.
    Receiver thrown;
    URLConnection::setFailureInjectionForTesting(
        [](const URLRequest&) -> std::optional<NetworkError> { throw std::runtime_error("staged"); });
    auto second = PellarURLDownload::create();
    second->setDelegate(thrown, &Receiver::downloadDidSucceed, &Receiver::downloadDidFail);
    std::optional<int> code;
    thrown.inside = [&](PellarURLDownload& d) {
        code = d.error()->code;
        d.cancel();
    };
    second->loadContentsOfURLAtString(server.url("/x"));
    loop().runUntilIdle();
    EXPECT_EQ(thrown.failures, 1);
    EXPECT_EQ(code, -1);
    EXPECT_FALSE(second->data());
    loop().runUntilIdle();
}

TEST_F(PellarURLDownloadTest, TransportFailuresAndTimeOutsAreMinus4)
{
    auto refused = makeDownload();
    refused->loadContentsOfURLAtString("http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/");
    EXPECT_FALSE(receiver.done());
    ASSERT_TRUE(loop().runUntil([&] { return receiver.done(); }));
    EXPECT_EQ(refused->error()->code, -4);

    PellarURLDownload::setTimeoutInterval(5);
    Receiver slow;
    server.respond("/slow", { .body = "late", .delay = 0.4 });
    auto download = PellarURLDownload::create();
    download->setDelegate(slow, &Receiver::downloadDidSucceed, &Receiver::downloadDidFail);
    download->loadContentsOfURLAtString(server.url("/slow"));
    loop().runUntil([&] { return server.requestsTo("/slow") == 1; });
    advance(5.5);
    EXPECT_EQ(slow.failures, 1);
    EXPECT_EQ(download->error()->code, -4);
    drain(0.6);
    EXPECT_EQ(slow.successes, 0);
}

TEST_F(PellarURLDownloadTest, OversizedBodyFailsWithMinus4)
{
    PellarURLDownload::setMaximumBodySize(1024);
    server.respond("/big", { .body = std::string(5000, 'z') });
    auto download = makeDownload();
    download->loadContentsOfURLAtString(server.url("/big"));
    ASSERT_TRUE(loop().runUntil([&] { return receiver.done(); }));
    EXPECT_EQ(receiver.failures, 1);
    EXPECT_EQ(download->error()->code, -4);
}

TEST_F(PellarURLDownloadTest, CancelWhileLoadingSilencesTheDownloadAndDropsTheBody)
{
    server.respond("/slow", { .body = "late", .delay = 0.2 });
    auto download = makeDownload();
    download->loadContentsOfURLAtString(server.url("/slow"));
    ASSERT_TRUE(download->data());
    download->cancel();
    EXPECT_FALSE(download->data());
    EXPECT_FALSE(download->hasDelegate());
    drain(0.4);
    EXPECT_FALSE(receiver.done());
}

TEST_F(PellarURLDownloadTest, DescriptionNamesIdentifierAndURL)
{
    auto download = PellarURLDownload::create();
    EXPECT_NE(download->description().find("identifier:(null) url:(null)>"), std::string::npos);
    download->setIdentifier("userImage");
    download->setTargetURL("http://127.0.0.1/a.png");
    EXPECT_TRUE(download->description().starts_with("<PellarURLDownload 0x"));
    EXPECT_TRUE(download->description().ends_with(" identifier:userImage url:http://127.0.0.1/a.png>"));
}

} // namespace
