#include "ads/core/PellarURLDownload.h"

#include "ads/core/PellarAppData.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/StringUtilities.h"
#include "platform/foundation/URL.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLResponse.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<double> s_timeoutInterval { PellarURLDownload::kTimeoutInterval };
std::atomic<size_t> s_maximumBodySize { PellarURLDownload::kDefaultMaximumBodySize };

} // namespace

std::shared_ptr<PellarURLDownload> PellarURLDownload::create()
{
    return std::shared_ptr<PellarURLDownload>(new PellarURLDownload);
}

PellarURLDownload::~PellarURLDownload()
{
    cancel();
}

void PellarURLDownload::setCallbacks(Callback success, Callback failure)
{
    m_successCallback = std::move(success);
    m_failureCallback = std::move(failure);
}

const std::string& PellarURLDownload::userAgent()
{
    static const std::string agent = PellarAppData::currentUserAgent();
    return agent;
}

void PellarURLDownload::setTimeoutInterval(double seconds)
{
    s_timeoutInterval = seconds;
}
double PellarURLDownload::timeoutInterval()
{
    return s_timeoutInterval;
}
void PellarURLDownload::setMaximumBodySize(size_t bytes)
{
    s_maximumBodySize = bytes;
}
size_t PellarURLDownload::maximumBodySize()
{
    return s_maximumBodySize;
}

void PellarURLDownload::loadContentsOfURLAtString(const std::string& url)
{
    loadContentsOfURLAtString(url, std::nullopt);
}

void PellarURLDownload::loadContentsOfURLAtString(const std::string& url, const std::optional<std::string>& postBody)
{
    std::optional<int> failure;
    ++m_attempt;
    try {
        m_targetURL = StringUtilities::trimmed(url);
        m_error.reset();

        URLRequest request;
        request.url = m_targetURL;
        request.timeoutInterval = timeoutInterval();
        request.maximumBodySize = m_bodySizeLimit ? std::min(*m_bodySizeLimit, maximumBodySize()) : maximumBodySize();
        request.background = m_background;
        request.headers.emplace_back("USER-AGENT", userAgent());
        if (auto identifier = PellarAppData::deviceUniqueIdentifier()) {
            request.headers.emplace_back("X-PELLAR-ISU", *identifier);
            // The device identifier is for the server asked, not for wherever
            // a click or pixel redirects to.
            request.originOnlyHeaders.emplace_back("X-PELLAR-ISU");
        }
        if (postBody) {
            request.method = "POST";
            request.body = *postBody;
        }

        if (m_activeConnection) {
            m_activeConnection->cancel();
            m_activeConnection = nullptr;
        }

        // Only text that makes a URL gets a connection; anything else is a
        // connection that could not be created.
        auto parsed = URL::withString(m_targetURL);
        std::shared_ptr<URLConnection> connection;
        if (parsed && parsed->isAbsolute())
            connection = URLConnection::start(std::move(request), this);
        if (connection) {
            m_activeConnection = std::move(connection);
            m_data = std::string();
        } else {
            failure = kConnectionError;
        }
    } catch (...) {
        failure = kExceptionError;
    }
    if (!failure)
        return;
    // Reported on the next pass, as a connection reports its own failures:
    // the caller has not even stored the download yet. A restart or a
    // cancel() meanwhile wins over this report.
    uint64_t attempt = ++m_attempt;
    std::weak_ptr<PellarURLDownload> weakThis = weak_from_this();
    RunLoop::main().post([weakThis, attempt, code = *failure] {
        if (auto self = weakThis.lock(); self && self->m_attempt == attempt)
            self->reportFailure(code);
    });
}

void PellarURLDownload::cancel()
{
    ++m_attempt;
    if (m_activeConnection) {
        m_activeConnection->cancel();
        m_activeConnection = nullptr;
    }
    m_data.reset();
    m_successCallback = nullptr;
    m_failureCallback = nullptr;
}

std::string PellarURLDownload::description() const
{
    return "<PellarURLDownload " + StringUtilities::addressText(this) + " identifier:"
        + (m_identifier ? *m_identifier : "(null)") + " url:" + (m_targetURL.empty() ? "(null)" : m_targetURL) + ">";
}

void PellarURLDownload::reportSuccess()
{
    report(m_successCallback);
}

void PellarURLDownload::reportFailure(int code)
{
    m_error = Error { kErrorDomain, code, {} };
    report(m_failureCallback);
}

void PellarURLDownload::report(const Callback& callback)
{
    if (auto self = weak_from_this().lock())
        RunLoop::main().keepAliveUntilPassEnds(self);
    if (!callback)
        return;
    // A copy: the delegate may cancel (and so clear the callbacks) inside it.
    Callback call = callback;
    call(*this);
}

void PellarURLDownload::connectionDidReceiveResponse(URLConnection&, const URLResponse& response)
{
    // A new response restarts the body.
    m_data = std::string();
    if (response.statusCode > 399) {
        if (m_activeConnection) {
            m_activeConnection->cancel();
            m_activeConnection = nullptr;
        }
        reportFailure(kHTTPStatusError);
    }
}

void PellarURLDownload::connectionDidReceiveData(URLConnection&, std::string_view bytes)
{
    if (m_data)
        m_data->append(bytes);
}

void PellarURLDownload::connectionDidFail(URLConnection&, const NetworkError&)
{
    // The transport's own reason is not kept: every transport failure is -4.
    reportFailure(kTransportError);
}

void PellarURLDownload::connectionDidFinishLoading(URLConnection&)
{
    reportSuccess();
}
