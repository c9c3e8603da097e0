#include "server/DemoServer.h"
#include "ads/core/PropertyListReader.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLResponse.h"
#include "tests/support/RunLoopFixture.h"
#include "tests/support/TempDir.h"
#include "json/JSONDeserializer.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <signal.h>

#include <fstream>

namespace {

struct Fetch : URLConnectionDelegate {
    std::vector<std::string> redirects;
    std::optional<URLResponse> response;
    std::string body;
    bool done { false };
    void connectionWillSendRequest(URLConnection&, const std::string& next, const URLResponse&) override
    {
        redirects.push_back(next);
    }
    void connectionDidReceiveResponse(URLConnection&, const URLResponse& r) override { response = r; }
    void connectionDidReceiveData(URLConnection&, std::string_view data) override { body.append(data); }
    void connectionDidFinishLoading(URLConnection&) override { done = true; }
    void connectionDidFail(URLConnection&, const NetworkError&) override { done = true; }
};

class DemoServerTest : public RunLoopFixture {
protected:
    void startWith(const std::string& scenarioJSON)
    {
        std::ofstream(scenario.path() / "scenario.json") << scenarioJSON;
        std::ofstream(scenario.path() / "page.html") << "<p>from a file</p>";
        auto started = DemoServer::start(
            { .port = 0, .scenarioDirectory = scenario.path(), .logPath = scenario / "requests.log" });
        ASSERT_TRUE(started) << started.error().message;
        server = started.release();
    }
    Fetch get(const std::string& path, std::optional<std::string> body = std::nullopt)
    {
        Fetch fetch;
        URLRequest request { .url = server->baseURL() + path };
        if (body) {
            request.method = "POST";
            request.body = body;
        }
        request.headers = { { "USER-AGENT", "test-agent" }, { "X-PELLAR-ISU", "abc" }, { "Cookie", "not logged" } };
        auto connection = URLConnection::start(request, &fetch);
        EXPECT_TRUE(loop().runUntil([&] { return fetch.done; }));
        return fetch;
    }

    TempDir scenario;
    std::unique_ptr<DemoServer> server;
};

TEST_F(DemoServerTest, ScenarioStagesStatusHeadersBodiesRedirectsAndRotation)
{
    startWith(R"({ "routes": {
        "/rot": { "rotate": [ { "body": "one" }, { "status": 404, "body": "two" } ] },
        "/json": { "json": { "a": [1, true] }, "headers": { "X-Demo": "yes" } },
        "/file": { "file": "page.html", "content_type": "text/html" },
        "/hop": { "redirect": "/prefix/end?q=1" },
        "/prefix/*": { "body": "prefix" },
        "/prefix/exact": { "body": "exact" },
        "/post-only": { "methods": ["POST"], "body": "posted" } } })");
    EXPECT_EQ(get("/rot").body, "one");
    auto second = get("/rot");
    EXPECT_EQ(second.response->statusCode, 404);
    EXPECT_EQ(second.body, "two");
    EXPECT_EQ(get("/rot").body, "one");

    auto json = get("/json");
    EXPECT_EQ(json.body, R"({"a":[1,true]})");
    EXPECT_EQ(json.response->valueForHeader("X-Demo"), "yes");
    EXPECT_EQ(json.response->valueForHeader("Content-Type"), "application/json");
    EXPECT_EQ(get("/file").body, "<p>from a file</p>");

    auto hop = get("/hop");
    EXPECT_EQ(hop.redirects, std::vector<std::string> { server->baseURL() + "/prefix/end?q=1" });
    EXPECT_EQ(hop.body, "prefix");
    EXPECT_EQ(get("/prefix/exact").body, "exact");
    EXPECT_EQ(get("/post-only").response->statusCode, 404);
    EXPECT_EQ(get("/post-only", "x").body, "posted");
}

TEST_F(DemoServerTest, DelayedAnswersWaitAndSurviveAClientThatGaveUp)
{
    startWith(R"({ "routes": { "/slow": { "delay": 0.3, "body": "late" } } })");
    Fetch abandoned;
    auto connection = URLConnection::start({ .url = server->baseURL() + "/slow" }, &abandoned);
    loop().runUntil([&] { return server->log().entries().size() == 1; });
    connection->cancel();
    gint64 start = g_get_monotonic_time();
    EXPECT_EQ(get("/slow").body, "late");
    EXPECT_GE(g_get_monotonic_time() - start, 250000);
    loop().runUntil([] { return false; }, 0.4);
}

TEST_F(DemoServerTest, EveryRequestIsOneJSONLineWithTheLibraryHeaders)
{
    startWith(R"({ "routes": {} })");
    get("/ad_request?pub=p1&l=de");
    get("/click", "{\"interactions\":[]}");
    std::ifstream file(scenario / "requests.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    auto first = JSONDeserializer().deserializeAsDictionary(lines[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->find("method")->stringValue(), "GET");
    EXPECT_EQ(first->find("path")->stringValue(), "/ad_request");
    EXPECT_EQ(first->find("query")->find("l")->stringValue(), "de");
    EXPECT_EQ(first->find("headers")->find("user-agent")->stringValue(), "test-agent");
    EXPECT_EQ(first->find("headers")->find("x-pellar-isu")->stringValue(), "abc");
    EXPECT_FALSE(first->find("headers")->find("cookie"));
    auto second = JSONDeserializer().deserializeAsDictionary(lines[1]);
    EXPECT_EQ(second->find("method")->stringValue(), "POST");
    EXPECT_EQ(second->find("body")->stringValue(), "{\"interactions\":[]}");
}

TEST_F(DemoServerTest, BundledScenarioServesDecodableIconsAndTablesForThreeLanguages)
{
    auto started = DemoServer::start({ .port = 0 });
    ASSERT_TRUE(started) << started.error().message;
    server = started.release();
    auto decode = [](const std::string& bytes, int& width, int& height) {
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
        bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr)
            && gdk_pixbuf_loader_close(loader, nullptr);
        GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
        width = pixbuf ? gdk_pixbuf_get_width(pixbuf) : 0;
        height = pixbuf ? gdk_pixbuf_get_height(pixbuf) : 0;
        g_object_unref(loader);
    };
    for (const char* name : { "back", "back_disable", "forward", "forward_disable" }) {
        int width = 0, height = 0;
        decode(get(std::string("/static/mobile/browser/") + name + ".png").body, width, height);
        EXPECT_GT(width, 0) << name;
    }
    int width = 0, height = 0;
    decode(get("/static/mobile/img/call.png").body, width, height);
    EXPECT_EQ(width, 38);
    EXPECT_EQ(height, 38);
    EXPECT_EQ(get("/static/mobile/browser/sideways.png").response->statusCode, 404);
    EXPECT_EQ(get("/static/mobile/img/a.b.png").response->statusCode, 404);

    for (const char* language : { "en", "de", "fr" }) {
        auto table = get(std::string("/static/mobile/i18n/20091130/") + language + ".strings");
        EXPECT_EQ(table.response->statusCode, 200);
        auto strings = PropertyListReader::stringTableFromData(table.body);
        ASSERT_TRUE(strings) << language;
        EXPECT_TRUE(strings->count("Ads by Pellar")) << language;
    }
    EXPECT_EQ(get("/static/mobile/i18n/20091130/xx.strings").response->statusCode, 404);
    EXPECT_EQ(get("/affiliate/two").redirects.size(), 2u);
}

TEST(DemoServerProgramTest, PrintsItsBaseAndAdRequestURLsAndRefusesABadScenario)
{
    TempDir directory;
    const char* argv[] = { PELLAR_DEMO_SERVER_PATH, "--port", "0", nullptr };
    GPid pid = 0;
    int out = -1;
    ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
        &pid, nullptr, &out, nullptr, nullptr));
    auto readLine = [out] {
        std::string line;
        char c;
        while (read(out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    };
    std::string line = readLine();
    // Then the full ad-request URL, the value an embedding application sets.
    std::string requestLine = readLine();
    kill(pid, SIGTERM);
    g_spawn_close_pid(pid);
    close(out);
    const std::string prefix = "http://127.0.0.1:";
    EXPECT_TRUE(line.starts_with(prefix) && line.size() > prefix.size()
        && line.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
        << line;
    EXPECT_EQ(requestLine, line + "/ad_request");

    std::ofstream(directory / "scenario.json") << "{ \"routes\": [] }";
    std::string command
        = std::string(PELLAR_DEMO_SERVER_PATH) + " --port 0 --scenario " + directory.path().string() + " 2>/dev/null";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// Each way a scenario or a start can fail says what and why, in its own code.
TEST(DemoServerErrorsTest, ScenarioAndStartFailuresCarryTheirCause)
{
    TempDir dir;
    auto code = [&](std::string_view json) { return Scenario::fromJSON(json, dir.path()).error().code; };
    EXPECT_EQ(Scenario::load(dir.path()).error().code, Scenario::kUnreadableFile);
    EXPECT_EQ(code("{"), Scenario::kMalformedScenario);
    EXPECT_EQ(code(R"({"routes": []})"), Scenario::kMalformedScenario);
    EXPECT_EQ(code(R"({"routes": {"/a": {"rotate": []}}})"), Scenario::kMalformedScenario);
    EXPECT_EQ(code(R"({"routes": {"/a": {"rotate": [3]}}})"), Scenario::kMalformedScenario);
    auto missingFile = Scenario::fromJSON(R"({"routes": {"/a": {"file": "gone.html"}}})", dir.path());
    ASSERT_FALSE(missingFile);
    EXPECT_EQ(missingFile.error(),
        (Error { Scenario::kErrorDomain, Scenario::kUnreadableFile, "cannot read " + (dir / "gone.html").string() }));
    EXPECT_TRUE(Scenario::fromJSON(R"({"routes": {"/a": {"body": "x"}}})", dir.path()));

    auto badScenario = DemoServer::start({ .port = 0, .scenarioDirectory = dir.path() });
    ASSERT_FALSE(badScenario);
    EXPECT_EQ(badScenario.error().domain, Scenario::kErrorDomain);
    auto badHost = DemoServer::start({ .host = "localhost:80", .port = 0, .scenarioDirectory = {} });
    ASSERT_FALSE(badHost);
    EXPECT_EQ(badHost.error().code, DemoServer::kBadAddress);
}

} // namespace
