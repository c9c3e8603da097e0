#include "platform/foundation/PendingWork.h"
#include "platform/foundation/RunLoop.h"
#include "platform/headless/HeadlessHost.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "tests/support/LoopbackServer.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace {

struct Download : URLConnectionDelegate {
    std::string body;
    bool finished { false };
    std::optional<NetworkError> error;
    std::optional<double> endedAt; // on the loop's clock

    void connectionDidReceiveData(URLConnection&, std::string_view data) override { body.append(data); }
    void connectionDidFinishLoading(URLConnection&) override
    {
        finished = true;
        endedAt = RunLoop::main().now();
    }
    void connectionDidFail(URLConnection&, const NetworkError& e) override
    {
        error = e;
        endedAt = RunLoop::main().now();
    }
};

// A virtual-time host per case; the loop gets its own clock back afterwards.
class HeadlessHostPendingWorkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RunLoop::main().reset();
        host.start();
    }
    void TearDown() override
    {
        PendingWork::setIdleGraceForTesting(0);
        RunLoop::main().runUntilIdle();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
    }
    void wait(double seconds)
    {
        host.wait(seconds, [] {});
    }

    HeadlessHost host { HeadlessHost::Options {} };
    LoopbackServer server;
};

TEST_F(HeadlessHostPendingWorkTest, VirtualTimeStandsStillForAnyDownloadInFlight)
{
    // Slow in real time; on virtual time it must still look instant.
    server.respond("/file", { .body = "contents", .delay = 0.4 });
    Download download;
    auto connection = URLConnection::start({ .url = server.url("/file"), .timeoutInterval = 0.2 }, &download);
    ASSERT_TRUE(connection);
    double start = RunLoop::main().now();
    wait(0.01);
    EXPECT_TRUE(download.finished);
    EXPECT_EQ(download.body, "contents");
    ASSERT_TRUE(download.endedAt);
    EXPECT_LT(*download.endedAt - start, 0.02); // its 0.2 s time-out never came
}

TEST_F(HeadlessHostPendingWorkTest, ASilentPeerLetsTheClockGoOnSoItsTimeOutFires)
{
    PendingWork::setIdleGraceForTesting(0.1);
    // The kernel completes the handshake for a listening socket nobody
    // accepts from: the request goes out and no answer ever comes.
    GError* error = nullptr;
    GSocket* silent = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, &error);
    ASSERT_TRUE(silent);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* any = g_inet_socket_address_new(loopback, 0);
    g_object_unref(loopback);
    ASSERT_TRUE(g_socket_bind(silent, any, TRUE, &error));
    g_object_unref(any);
    ASSERT_TRUE(g_socket_listen(silent, &error));
    GSocketAddress* bound = g_socket_get_local_address(silent, &error);
    auto port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    g_object_unref(bound);

    Download download;
    auto connection = URLConnection::start(
        { .url = "http://127.0.0.1:" + std::to_string(port) + "/ad", .timeoutInterval = 10 }, &download);
    ASSERT_TRUE(connection);
    double start = RunLoop::main().now();
    auto realStart = std::chrono::steady_clock::now();
    wait(9.5);
    EXPECT_FALSE(download.endedAt) << "the time-out came early";
    wait(1);
    ASSERT_TRUE(download.error);
    EXPECT_EQ(download.error->code, URLErrorTimedOut);
    EXPECT_NEAR(*download.endedAt - start, 10.0, 1.0 / 60 + 1e-6);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));
    g_object_unref(silent);
}

} // namespace
