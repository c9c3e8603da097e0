#include "ads/clickthrough/PellarClickToCallAlert.h"

#include "ads/clickthrough/PellarAlertText.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/views/Application.h"

namespace {

void removeAll(std::string& text, std::string_view what)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

} // namespace

std::string PellarClickToCallAlert::displayedNumber(const URL& url)
{
    std::string number = url.absoluteString();
    removeAll(number, "tel:");
    removeAll(number, "//");
    return number;
}

std::shared_ptr<PellarClickToCallAlert> PellarClickToCallAlert::create(
    const std::optional<URL>& phoneNumberURL, std::optional<std::string> acquisitionURL)
{
    if (!phoneNumberURL) {
        Log::write("No phone number in click response.");
        return nullptr;
    }
    std::string number = displayedNumber(*phoneNumberURL);
    if (number.empty()) {
        Log::write("Empty phone number in click response.");
        return nullptr;
    }
    auto alert = View::make<PellarClickToCallAlert>(
        PellarAlertText::localizedFormat("Call %@?", number), *phoneNumberURL, std::move(acquisitionURL));
    alert->setDelegate(std::static_pointer_cast<PellarClickToCallAlert>(alert->sharedView()));
    return alert;
}

PellarClickToCallAlert::PellarClickToCallAlert(
    const std::string& title, URL phoneNumberURL, std::optional<std::string> acquisitionURL)
    : AlertView(title, "", {}, PellarAlertText::localized("Cancel"), { PellarAlertText::localized("Call") })
    , m_phoneNumberURL(std::move(phoneNumberURL))
    , m_acquisitionEventURL(std::move(acquisitionURL))
{
}

void PellarClickToCallAlert::showOrCall()
{
    // A platform that puts up its own confirmation would ask twice.
    if (Device::currentDevice().confirmsCallsItself())
        startClickToCall();
    else
        show();
}

void PellarClickToCallAlert::alertViewClickedButtonAtIndex(AlertView&, int index)
{
    if (index != cancelButtonIndex())
        startClickToCall();
}

void PellarClickToCallAlert::startClickToCall()
{
    if (!m_acquisitionEventURL) {
        call();
        return;
    }
    // The call waits for the acquisition request to end, whatever its outcome.
    m_keepAlive = std::static_pointer_cast<PellarClickToCallAlert>(sharedView());
    m_download = PellarURLDownload::create();
    m_download->setDelegate(
        m_keepAlive, &PellarClickToCallAlert::downloadDidSucceed, &PellarClickToCallAlert::downloadDidFail);
    m_download->loadContentsOfURLAtString(*m_acquisitionEventURL);
}

void PellarClickToCallAlert::downloadDidSucceed(PellarURLDownload& download)
{
    call();
    download.cancel();
    // We may be inside the download's own callback, and the download may hold our last reference.
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_download));
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_keepAlive));
}

void PellarClickToCallAlert::downloadDidFail(PellarURLDownload& download)
{
    Log::write("Failed to record click-to-call acquisition.");
    downloadDidSucceed(download);
}

void PellarClickToCallAlert::call()
{
    Application::shared().openURL(m_phoneNumberURL.absoluteString());
}
