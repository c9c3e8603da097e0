#pragma once

#include "platform/foundation/URL.h"
#include "platform/net/URLConnectionDelegate.h"

#include <memory>
#include <optional>
#include <string>

class PellarStoreURLCleanerDelegate;
class URLConnection;

// Turns application-store links, direct or through an affiliate redirector,
// into a plain link on the store's primary web host, which the system hands
// to the store application. A link that may redirect is fetched without
// showing anything, every hop observed; the last URL that answered with a
// redirect is the store link, and its path and query are kept.
//
// Life: a link already on a store host is opened at once by create(),
// through the application's URL handler; the delegate hears nothing, and the
// cleaner comes back finished (isFinished()); its owner may drop it there and
// then. Otherwise the cleaner fetches until it
// sends exactly one cleanerDidGenerateURL; cancel() or dropping the cleaner
// stops the fetch silently.
class PellarStoreURLCleaner final : public URLConnectionDelegate,
                                    public std::enable_shared_from_this<PellarStoreURLCleaner> {
public:
    // Creation: starts at once. The delegate is held weakly, never owned.
    static std::shared_ptr<PellarStoreURLCleaner> create(const URL&, std::weak_ptr<PellarStoreURLCleanerDelegate>);
    ~PellarStoreURLCleaner() override;
    PellarStoreURLCleaner(const PellarStoreURLCleaner&) = delete;
    PellarStoreURLCleaner& operator=(const PellarStoreURLCleaner&) = delete;

    // Recognition: a store host, the redirector host, or the "storeapp" scheme.
    static bool isStoreURL(const URL&);
    // True unless the host is one of the store hosts.
    static bool storeURLMightHaveRedirects(const URL&);
    // "http://" + primary store host + path + "?" + query; scheme, host, port
    // and fragment are dropped. A link without a query gets no "?".
    static URL cleanStoreURLWithURL(const URL&);

    const URL& userProvidedURL() const { return m_userProvidedURL; }
    const std::optional<URL>& redirectFreeStoreURL() const { return m_redirectFreeStoreURL; }
    bool isFinished() const { return m_finished; }
    void cancel();

private:
    PellarStoreURLCleaner(const URL&, std::weak_ptr<PellarStoreURLCleanerDelegate>);
    void start();
    void deliver(const URL&);

    // URLConnectionDelegate
    void connectionWillSendRequest(
        URLConnection&, const std::string& newURL, const URLResponse& redirectResponse) override;
    void connectionDidFinishLoading(URLConnection&) override;
    void connectionDidFail(URLConnection&, const NetworkError&) override;

    URL m_userProvidedURL;
    std::optional<URL> m_redirectFreeStoreURL;
    std::shared_ptr<URLConnection> m_connection;
    std::weak_ptr<PellarStoreURLCleanerDelegate> m_delegate;
    bool m_finished { false };
};
