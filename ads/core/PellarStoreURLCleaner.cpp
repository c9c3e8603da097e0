#include "ads/core/PellarStoreURLCleaner.h"

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarStoreURLCleanerDelegate.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLResponse.h"
#include "platform/ui/views/Application.h"

#include <algorithm>

namespace {

constexpr const char* kStoreScheme = "storeapp";

// The store's own links are links the library recognises: the system may open them.
[[maybe_unused]] const bool kStoreSchemeAllowed = (SystemURLPolicy::allowScheme(kStoreScheme), true);

bool isOnStoreHost(const URL& url)
{
    if (!url.host())
        return false;
    auto hosts = PellarEndpoints::storeHosts();
    return std::find(hosts.begin(), hosts.end(), *url.host()) != hosts.end();
}

} // namespace

bool PellarStoreURLCleaner::isStoreURL(const URL& url)
{
    if (url.scheme() && *url.scheme() == kStoreScheme)
        return true;
    return isOnStoreHost(url) || (url.host() && *url.host() == PellarEndpoints::redirectorHost());
}

bool PellarStoreURLCleaner::storeURLMightHaveRedirects(const URL& url)
{
    return !isOnStoreHost(url);
}

URL PellarStoreURLCleaner::cleanStoreURLWithURL(const URL& url)
{
    std::string text = "http://" + PellarEndpoints::primaryStoreHost() + url.path();
    if (url.query())
        text += "?" + *url.query();
    if (auto cleaned = URL::withString(text))
        return *cleaned;
    // Only a misconfigured primary host gets here; the link as given still works.
    return url;
}

std::shared_ptr<PellarStoreURLCleaner> PellarStoreURLCleaner::create(
    const URL& url, std::weak_ptr<PellarStoreURLCleanerDelegate> delegate)
{
    std::shared_ptr<PellarStoreURLCleaner> cleaner(new PellarStoreURLCleaner(url, std::move(delegate)));
    cleaner->start();
    return cleaner;
}

PellarStoreURLCleaner::PellarStoreURLCleaner(const URL& url, std::weak_ptr<PellarStoreURLCleanerDelegate> delegate)
    : m_userProvidedURL(url)
    , m_delegate(std::move(delegate))
{
}

PellarStoreURLCleaner::~PellarStoreURLCleaner()
{
    cancel();
}

void PellarStoreURLCleaner::start()
{
    if (!storeURLMightHaveRedirects(m_userProvidedURL)) {
        m_finished = true;
        Application::shared().openURL(cleanStoreURLWithURL(m_userProvidedURL).absoluteString());
        return;
    }
    // A plain request: default time-out, no headers of ours.
    URLRequest request;
    request.url = m_userProvidedURL.absoluteString();
    m_connection = URLConnection::start(std::move(request), this);
    if (!m_connection) {
        // Nothing to fetch: hand the link back as it came, but not from inside create().
        RunLoop::main().post([weakThis = weak_from_this()] {
            if (auto self = weakThis.lock(); self && !self->m_finished)
                self->deliver(self->m_userProvidedURL);
        });
    }
}

void PellarStoreURLCleaner::cancel()
{
    m_finished = true;
    if (m_connection) {
        m_connection->cancel();
        m_connection = nullptr;
    }
}

void PellarStoreURLCleaner::deliver(const URL& url)
{
    auto protectedThis = shared_from_this();
    m_finished = true;
    if (m_connection) {
        m_connection->cancel();
        m_connection = nullptr;
    }
    if (auto delegate = m_delegate.lock())
        delegate->cleanerDidGenerateURL(*this, url);
}

void PellarStoreURLCleaner::connectionWillSendRequest(
    URLConnection&, const std::string&, const URLResponse& redirectResponse)
{
    m_redirectFreeStoreURL = URL::withString(redirectResponse.url);
}

void PellarStoreURLCleaner::connectionDidFinishLoading(URLConnection&)
{
    deliver(cleanStoreURLWithURL(m_redirectFreeStoreURL ? *m_redirectFreeStoreURL : m_userProvidedURL));
}

void PellarStoreURLCleaner::connectionDidFail(URLConnection&, const NetworkError&)
{
    deliver(m_userProvidedURL);
}
