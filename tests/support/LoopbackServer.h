#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _SoupServer SoupServer;
typedef struct _SoupServerMessage SoupServerMessage;

// An in-process HTTP server on 127.0.0.1 with a free port, served from the
// main run loop's context. Tests register answers per path and read back every
// request the code under test made.
class LoopbackServer {
public:
    struct Request {
        std::string method;
        std::string path;
        std::string query; // raw, without "?"
        std::map<std::string, std::string> headers; // names in lower case
        std::string body;
    };

    struct Response {
        int status { 200 };
        std::string body;
        std::string contentType { "text/plain" };
        std::map<std::string, std::string> headers;
        // Real seconds to wait before answering (for time-out tests).
        double delay { 0 };
        // When above 0: the headers go out at once and the body follows one
        // byte per this many real seconds, the way a hostile server keeps a
        // connection busy without ever finishing.
        double trickleInterval { 0 };
    };

    using Handler = std::function<Response(const Request&)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string baseURL() const;
    std::string url(const std::string& path) const { return baseURL() + path; }
    unsigned port() const { return m_port; }

    void handle(const std::string& path, Handler);
    void respond(const std::string& path, Response);
    // Answers 302 to `location`.
    void redirect(const std::string& path, const std::string& location);

    const std::vector<Request>& requests() const { return m_requests; }
    int requestsTo(const std::string& path) const;

    // A port on 127.0.0.1 on which nothing listens (connection refused).
    static unsigned closedPort();

private:
    static void serve(SoupServer*, SoupServerMessage*, const char* path, void* query, void* self);

    SoupServer* m_server;
    unsigned m_port { 0 };
    std::map<std::string, Handler> m_handlers;
    std::vector<Request> m_requests;
};
