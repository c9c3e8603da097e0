#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLResponse.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RunLoopFixture.h"

#include <optional>
#include <string>
#include <vector>

namespace {

struct Recorder : URLConnectionDelegate {
    std::vector<std::pair<std::string, std::string>> hops; // (answered with redirect, next URL)
    std::optional<URLResponse> response;
    std::string body;
    bool finished { false };
    std::optional<NetworkError> error;
    std::function<void(URLConnection&)> onRedirect;

    void connectionWillSendRequest(
        URLConnection& connection, const std::string& newURL, const URLResponse& redirect) override
    {
        hops.emplace_back(redirect.url, newURL);
        if (onRedirect)
            onRedirect(connection);
    }
    void connectionDidReceiveResponse(URLConnection&, const URLResponse& r) override { response = r; }
    void connectionDidReceiveData(URLConnection&, std::string_view data) override { body.append(data); }
    void connectionDidFinishLoading(URLConnection&) override { finished = true; }
    void connectionDidFail(URLConnection&, const NetworkError& e) override { error = e; }
    bool done() const { return finished || error.has_value(); }
};

class URLConnectionTest : public RunLoopFixture {
protected:
    void TearDown() override
    {
        URLConnection::setFailureInjectionForTesting(nullptr);
        RunLoopFixture::TearDown();
    }
    LoopbackServer server;
    Recorder recorder;

    std::shared_ptr<URLConnection> start(URLRequest request)
    {
        return URLConnection::start(std::move(request), &recorder);
    }
};

TEST_F(URLConnectionTest, EveryRedirectHopIsObservedAndThePostTurnsIntoAGet)
{
    server.redirect("/a", "/b?x=1");
    server.redirect("/b", server.url("/c"));
    server.respond("/c", { .status = 200, .body = "done" });
    auto connection = start({ .url = server.url("/a"), .method = "POST", .body = "payload" });
    ASSERT_TRUE(connection);
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    EXPECT_TRUE(recorder.finished);
    ASSERT_EQ(recorder.hops.size(), 2u);
    EXPECT_EQ(recorder.hops[0].first, server.url("/a"));
    EXPECT_EQ(recorder.hops[0].second, server.url("/b?x=1"));
    EXPECT_EQ(recorder.hops[1].first, server.url("/b?x=1"));
    EXPECT_EQ(recorder.body, "done");
    EXPECT_EQ(recorder.response->url, server.url("/c"));
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[0].method, "POST");
    EXPECT_EQ(server.requests()[2].method, "GET");
}

TEST_F(URLConnectionTest, RedirectToASchemeWeCannotLoadFailsAfterTheHopIsAnnounced)
{
    server.redirect("/a", "storeapp://store.example/app/id1");
    start({ .url = server.url("/a") });
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    ASSERT_EQ(recorder.hops.size(), 1u);
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(recorder.error->code, URLErrorUnsupportedURL);
}

TEST_F(URLConnectionTest, CancellingInsideARedirectStopsEverything)
{
    server.redirect("/a", "/b");
    server.respond("/b", { .body = "never read" });
    recorder.onRedirect = [](URLConnection& connection) { connection.cancel(); };
    start({ .url = server.url("/a") });
    loop().runUntil([&] { return false; }, 0.3);
    EXPECT_EQ(recorder.hops.size(), 1u);
    EXPECT_FALSE(recorder.done());
    EXPECT_EQ(server.requestsTo("/b"), 0);
}

TEST_F(URLConnectionTest, BodiesOverTheCapFailInsteadOfGrowing)
{
    server.respond("/big", { .body = std::string(4096, 'x') });
    start({ .url = server.url("/big"), .maximumBodySize = 1000 });
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(recorder.error->code, URLErrorDataLengthExceedsMaximum);
    EXPECT_LE(recorder.body.size(), 1000u);

    Recorder exact;
    server.respond("/fits", { .body = std::string(1000, 'y') });
    URLConnection::start({ .url = server.url("/fits"), .maximumBodySize = 1000 }, &exact);
    ASSERT_TRUE(loop().runUntil([&] { return exact.done(); }));
    EXPECT_TRUE(exact.finished);
    EXPECT_EQ(exact.body.size(), 1000u);
}

TEST_F(URLConnectionTest, TimeOutRunsOnTheRunLoopClock)
{
    server.respond("/slow", { .body = "late", .delay = 0.5 });
    start({ .url = server.url("/slow"), .timeoutInterval = 60 });
    loop().runUntil([&] { return server.requestsTo("/slow") == 1; });
    advance(59);
    EXPECT_FALSE(recorder.done());
    advance(2);
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(recorder.error->code, URLErrorTimedOut);
    loop().runUntil([] { return false; }, 0.7); // let the server's late answer go out
    EXPECT_FALSE(recorder.finished);
}

TEST_F(URLConnectionTest, TransportFailuresAreMappedAndNeverReportedInsideStart)
{
    start({ .url = "http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/" });
    EXPECT_FALSE(recorder.done());
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    EXPECT_EQ(recorder.error->code, URLErrorCannotConnectToHost);

    Recorder injected;
    URLConnection::setFailureInjectionForTesting([](const URLRequest&) {
        return std::optional<NetworkError>(NetworkError { URLErrorCannotFindHost, "no such host" });
    });
    URLConnection::start({ .url = server.url("/x") }, &injected);
    EXPECT_FALSE(injected.done());
    ASSERT_TRUE(loop().runUntil([&] { return injected.done(); }));
    EXPECT_EQ(injected.error->code, URLErrorCannotFindHost);
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(URLConnectionTest, TextThatIsNoURLGivesNoConnection)
{
    EXPECT_FALSE(URLConnection::start({ .url = "not a url" }, &recorder));
    EXPECT_FALSE(URLConnection::start({ .url = "" }, &recorder));
}

TEST_F(URLConnectionTest, ErrorStatusesAreAnswersNotFailures)
{
    server.respond("/missing", { .status = 404, .body = "gone" });
    start({ .url = server.url("/missing") });
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    EXPECT_TRUE(recorder.finished);
    EXPECT_EQ(recorder.response->statusCode, 404);
    EXPECT_EQ(recorder.body, "gone");
}

TEST_F(URLConnectionTest, OriginOnlyHeadersStayWithTheOriginalHost)
{
    LoopbackServer elsewhere;
    server.redirect("/a", "/b"); // same host: carried on
    server.redirect("/b", elsewhere.url("/c")); // another host (port): dropped
    elsewhere.redirect("/c", server.url("/d")); // back where it started: sent again
    server.respond("/d", { .body = "ok" });
    start({ .url = server.url("/a"),
        .headers = { { "X-Device", "id-1234" }, { "User-Agent", "agent" } },
        .originOnlyHeaders = { "x-device" } });
    ASSERT_TRUE(loop().runUntil([&] { return recorder.done(); }));
    EXPECT_TRUE(recorder.finished);
    ASSERT_EQ(server.requests().size(), 3u);
    for (auto& request : server.requests())
        EXPECT_EQ(request.headers.at("x-device"), "id-1234") << request.path;
    ASSERT_EQ(elsewhere.requests().size(), 1u);
    EXPECT_EQ(elsewhere.requests()[0].headers.count("x-device"), 0u);
    EXPECT_EQ(elsewhere.requests()[0].headers.at("user-agent"), "agent");
}

TEST_F(URLConnectionTest, ATricklingAnswerStillEndsAtTheDeadline)
{
    server.respond("/trickle", { .body = std::string(1000, 'x'), .trickleInterval = 0.01 });
    auto connection = start({ .url = server.url("/trickle"), .timeoutInterval = 60 });
    // Ten virtual seconds pass after every byte: an idle timer, restarted by
    // each byte, would never fire.
    size_t seen = 0;
    for (int step = 0; step < 10 && !recorder.done(); ++step) {
        ASSERT_TRUE(loop().runUntil([&] { return recorder.body.size() > seen || recorder.done(); }));
        seen = recorder.body.size();
        advance(10);
    }
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(recorder.error->code, URLErrorTimedOut);
    EXPECT_LT(recorder.body.size(), 1000u);
}

TEST_F(URLConnectionTest, BackgroundTrafficLeavesTheConnectionsOthersNeed)
{
    server.respond("/pixel", { .body = std::string(1000, 'p'), .trickleInterval = 0.05 });
    server.respond("/ad", { .body = "ad" });
    std::vector<Recorder> pixels(4);
    std::vector<std::shared_ptr<URLConnection>> pixelConnections;
    for (auto& pixel : pixels)
        pixelConnections.push_back(URLConnection::start({ .url = server.url("/pixel"), .background = true }, &pixel));
    ASSERT_TRUE(loop().runUntil([&] { return server.requestsTo("/pixel") >= 2; }));
    start({ .url = server.url("/ad") });
    bool answered = loop().runUntil([&] { return recorder.done(); }, 3);
    for (auto& connection : pixelConnections)
        connection->cancel();
    ASSERT_TRUE(answered);
    EXPECT_EQ(recorder.body, "ad");
}

} // namespace
