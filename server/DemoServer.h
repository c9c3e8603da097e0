#pragma once

#include "base/ErrorOr.h"
#include "platform/foundation/GRefPtr.h"
#include "server/RequestLog.h"
#include "server/Scenario.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

typedef struct _SoupServer SoupServer;
typedef struct _SoupServerMessage SoupServerMessage;
typedef struct _GHashTable GHashTable;

// The demo ad service: a SoupServer on the default main context that answers
// from a scenario, falls back to its built-in static files (browser and
// action icons), and logs every request.
class DemoServer {
public:
    static constexpr unsigned kDefaultPort = 8457;
    static constexpr const char* kAdRequestPath = "/ad_request";

    struct Options {
        std::string host { "127.0.0.1" };
        unsigned port { kDefaultPort }; // 0 picks a free one
        std::filesystem::path scenarioDirectory { PELLAR_DEMO_SCENARIO_DIR };
        std::optional<std::filesystem::path> logPath;
    };

    static constexpr const char* kErrorDomain = "DemoServerErrorDomain";
    enum ErrorCode : int { kCannotOpenLog = 1, kBadAddress = 2, kCannotListen = 3 };

    // Listening on return; the scenario's error, or why it cannot listen.
    static ErrorOr<std::unique_ptr<DemoServer>> start(const Options&);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string baseURL() const;
    // The base URL + kAdRequestPath: what a client is pointed at.
    std::string adRequestURL() const { return baseURL() + kAdRequestPath; }
    unsigned port() const { return m_port; }
    const RequestLog& log() const { return m_log; }

private:
    DemoServer() = default;
    static void serve(SoupServer*, SoupServerMessage*, const char* path, GHashTable* query, void* self);
    void answer(SoupServerMessage*, const std::string& method, const std::string& path);
    void respond(SoupServerMessage*, const Scenario::Answer&);

    GRefPtr<SoupServer> m_server;
    std::string m_host;
    unsigned m_port { 0 };
    std::optional<Scenario> m_scenario;
    RequestLog m_log;
};
