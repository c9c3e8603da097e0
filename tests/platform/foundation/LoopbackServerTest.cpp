#include "tests/support/LoopbackServer.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/RunLoopFixture.h"

#include <libsoup/soup.h>

// The fixture itself must work before network suites can lean on it.
using LoopbackServerTest = RunLoopFixture;

static std::pair<int, std::string> fetch(const std::string& url)
{
    SoupSession* session = soup_session_new();
    SoupMessage* message = soup_message_new("GET", url.c_str());
    std::pair<int, std::string> result { -1, "" };
    bool done = false;
    struct State {
        std::pair<int, std::string>* result;
        bool* done;
        SoupMessage* message;
    } state { &result, &done, message };
    soup_session_send_and_read_async(
        session, message, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* source, GAsyncResult* asyncResult, gpointer data) {
            auto* state = static_cast<State*>(data);
            GBytes* bytes = soup_session_send_and_read_finish(SOUP_SESSION(source), asyncResult, nullptr);
            state->result->first = static_cast<int>(soup_message_get_status(state->message));
            if (bytes) {
                gsize size;
                auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                state->result->second.assign(data ? data : "", size);
                g_bytes_unref(bytes);
            }
            *state->done = true;
        },
        &state);
    RunLoop::main().runUntil([&] { return done; }, 10);
    g_object_unref(message);
    g_object_unref(session);
    return result;
}

TEST_F(LoopbackServerTest, AnswersRegisteredPathsAndLogsRequests)
{
    LoopbackServer server;
    server.respond("/hello", { 200, "world" });
    auto answer = fetch(server.url("/hello?x=1"));
    EXPECT_EQ(answer, std::make_pair(200, std::string("world")));
    EXPECT_EQ(fetch(server.url("/missing")).first, 404);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0].query, "x=1");
    EXPECT_EQ(server.requestsTo("/hello"), 1);
}

TEST_F(LoopbackServerTest, ClosedPortRefusesConnections)
{
    auto answer = fetch("http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/");
    EXPECT_EQ(answer.first, 0);
}
