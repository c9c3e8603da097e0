#pragma once

#include "platform/foundation/URL.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/AlertViewDelegate.h"

#include <memory>
#include <optional>
#include <string>

class PellarURLDownload;

// Carries out a "call" click: asks the user to confirm the number (where the
// platform does not confirm calls itself), reports the call to the ad service
// when the click answer names an acquisition URL, then hands the "tel:" link
// to the system. The controller creates it and keeps no reference: the alert
// owns itself until the call has gone out or the user cancelled.
class PellarClickToCallAlert final : public AlertView, public AlertViewDelegate {
public:
    // Creation. nullptr, with a log line, when the click answer has no number
    // or only an empty one; nothing is shown and no call is made then.
    static std::shared_ptr<PellarClickToCallAlert> create(
        const std::optional<URL>& phoneNumberURL, std::optional<std::string> acquisitionURL);
    // The link without its "tel:" and "//": what the user is asked about.
    static std::string displayedNumber(const URL&);

    // Properties
    const URL& phoneNumberURL() const { return m_phoneNumberURL; }
    const std::optional<std::string>& acquisitionEventURL() const { return m_acquisitionEventURL; }

    // Operations
    // Shows the alert, or calls at once where the platform confirms calls itself.
    void showOrCall();
    // Records the acquisition when there is a URL for it, then calls.
    void startClickToCall();

    // AlertViewDelegate
    void alertViewClickedButtonAtIndex(AlertView&, int index) override;

    // Acquisition request callbacks
    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);

    // Made through create(); public for the view factory only.
    PellarClickToCallAlert(const std::string& title, URL phoneNumberURL, std::optional<std::string> acquisitionURL);

private:
    void call();

    URL m_phoneNumberURL;
    std::optional<std::string> m_acquisitionEventURL;
    std::shared_ptr<PellarURLDownload> m_download;
    // Held while the acquisition is being recorded: nothing else owns the alert then.
    std::shared_ptr<PellarClickToCallAlert> m_keepAlive;
};
