#include "tests/support/TestEnvironment.h"

#include "ads/core/PellarClassRegistry.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarLocationManager.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/location/ScriptedLocationSource.h"
#include "platform/net/URLConnection.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"

TestEnvironment::TestEnvironment(Traits traits)
    : m_traits(traits)
{
    RunLoop::main().reset();
    if (traits.manualClock) {
        m_clock = std::make_shared<ManualClock>();
        RunLoop::main().setClock(m_clock);
    } else {
        RunLoop::main().setClock(std::make_shared<SystemClock>());
    }
    if (traits.dataDirectory) {
        m_dataDirectory.emplace();
        Paths::setDataDirectoryOverride(m_dataDirectory->path());
    }
    resetProcessState();
    m_locationSource = std::make_shared<ScriptedLocationSource>();
    PellarLocationManager::sharedManager().resetForTesting(m_locationSource);
    if (traits.network) {
        m_server = std::make_unique<LoopbackServer>();
        setEndpoints(m_server->url("/ad_request"), m_server->baseURL());
    }
}

TestEnvironment::~TestEnvironment()
{
    resetProcessState();
    PellarLocationManager::sharedManager().resetForTesting(nullptr);
    RunLoop::main().reset();
    RunLoop::main().setClock(nullptr);
    m_server.reset();
    if (m_dataDirectory)
        Paths::setDataDirectoryOverride(std::nullopt);
}

void TestEnvironment::finishTest()
{
    RunLoop::main().runUntilIdle();
    RunLoop::main().reset();
    // While the fixture's objects still exist, as the windows and animations
    // they hold go.
    resetProcessState();
}

void TestEnvironment::setEndpoints(const std::string& adServerURL, const std::string& mediaHostURL)
{
    auto configuration = PellarEndpoints::defaultConfiguration();
    configuration.adServerURL = adServerURL;
    configuration.mediaHostURL = mediaHostURL;
    PellarEndpoints::setConfiguration(configuration);
}

void TestEnvironment::resetProcessState()
{
    Log::setCaptureHook(nullptr);
    Application::shared().reset();
    // Only for tests that draw: an animation a test leaves running keeps its
    // views alive through the engine, as in the app, until the process ends.
    if (m_traits.ui) {
        AnimationEngine::shared().reset();
        Screen::mainScreen().setScale(1);
    }
    WebView::setFactory(nullptr);
    URLConnection::setFailureInjectionForTesting(nullptr);
    PellarEndpoints::setConfiguration(PellarEndpoints::defaultConfiguration());
    PellarURLDownload::setTimeoutInterval(PellarURLDownload::kTimeoutInterval);
    PellarURLDownload::setMaximumBodySize(PellarURLDownload::kDefaultMaximumBodySize);
    UserDefaults::standardUserDefaults().loadFromEnvironment(UserDefaults::processEnvironment);
    PellarLocalizer::sharedLocalizer().resetForTesting();
    PellarClassRegistry::removeAllClasses();
}
