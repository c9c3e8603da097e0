#include "tests/desktop/DesktopFixture.h"

#include "json/JSONSerializer.h"

void DesktopTest::SetUp()
{
    dir = std::filesystem::temp_directory_path()
        / ("vantrel-desktop-" + std::to_string(getpid()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
}

void DesktopTest::TearDown()
{
    session.reset();
    service.reset();
    // Screenshots stay for a look when a case fails or VANTREL_KEEP_E2E is set.
    if (!::testing::Test::HasFailure() && !std::getenv("VANTREL_KEEP_E2E"))
        std::filesystem::remove_all(dir);
}

std::filesystem::path DesktopTest::writeScenario(const std::vector<std::string>& clickPaths)
{
    auto source = std::filesystem::path(VANTREL_SOURCE_DIR) / "server" / "scenarios" / "default";
    auto target = dir / "scenario";
    std::filesystem::copy(source, target, std::filesystem::copy_options::recursive);
    std::ifstream in(source / "scenario.json");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto scenario = JSONDeserializer().deserializeAsDictionary(text);
    EXPECT_TRUE(scenario);
    if (!scenario)
        return target;
    JSONSerializer serializer;
    JSONValue routes = *scenario->find("routes");
    std::string written = "{\"routes\": {";
    for (size_t i = 0; i < routes.size(); ++i) {
        std::string_view path = routes.keyAt(i);
        if (path == "/ad_request")
            continue;
        written += serializer.serializeString(path) + ": " + serializer.serializeObject(routes.valueAt(i)) + ",\n";
    }
    JSONValue rotation = *routes.find("/ad_request")->find("rotate");
    std::string ads;
    for (auto& wanted : clickPaths) {
        for (size_t i = 0; i < rotation.size(); ++i) {
            JSONValue answer = *rotation[i].find("json");
            auto click = answer.find("jsonp_url");
            if (click && click->stringValue().ends_with(wanted))
                ads += (ads.empty() ? "" : ", ") + serializer.serializeObject(rotation[i]);
        }
    }
    EXPECT_FALSE(ads.empty());
    written += "\"/ad_request\": {\"rotate\": [" + ads + "]}}}";
    std::ofstream(target / "scenario.json") << written;
    return target;
}

bool DesktopTest::start(
    const std::vector<std::string>& firstAds, std::vector<std::string> arguments, std::vector<std::string> environment)
{
    service = std::make_unique<DemoService>(writeScenario(firstAds), dir / "requests.log");
    if (service->baseURL().empty()) {
        ADD_FAILURE() << "the demo service did not start";
        return false;
    }
    DesktopSession::Options options;
    options.adServer = service->baseURL() + "/ad_request";
    options.mediaHost = service->baseURL();
    options.directory = dir;
    options.arguments = std::move(arguments);
    options.environment = std::move(environment);
    if (const char* binary = std::getenv("VANTREL_DESKTOP_BINARY"))
        options.binary = binary;
    session = std::make_unique<DesktopSession>(options);
    if (!session->isRunning()) {
        ADD_FAILURE() << session->startFailure();
        return false;
    }
    return true;
}

void DesktopTest::dismissWarning()
{
    auto button = session->locate("I understood");
    ASSERT_TRUE(button) << session->log();
    session->click(button->midX(), button->midY());
    EXPECT_FALSE(session->locate("I understood"));
}

std::vector<JSONValue> DesktopTest::requestsTo(const std::string& path) const
{
    return service->requestsTo(path);
}

size_t DesktopTest::requestCount(const std::string& path) const
{
    return service->requestsTo(path).size();
}
