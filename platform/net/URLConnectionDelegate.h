#pragma once

#include <string>
#include <string_view>

class URLConnection;
struct NetworkError;
struct URLResponse;

// The events of one connection, all on the main thread. After
// connectionDidFinishLoading or connectionDidFail nothing more arrives; after
// the connection is cancelled nothing at all arrives.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate() = default;

    // A redirect is about to be followed: `redirectResponse` answered with a
    // redirect to `newURL`. Cancelling the connection here stops it.
    virtual void connectionWillSendRequest(
        URLConnection&, const std::string& /*newURL*/, const URLResponse& /*redirectResponse*/)
    {
    }
    // The final answer's head; the body follows.
    virtual void connectionDidReceiveResponse(URLConnection&, const URLResponse&) { }
    virtual void connectionDidReceiveData(URLConnection&, std::string_view) { }
    virtual void connectionDidFinishLoading(URLConnection&) { }
    virtual void connectionDidFail(URLConnection&, const NetworkError&) { }
};
