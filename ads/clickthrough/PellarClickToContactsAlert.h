#pragma once

#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/AlertViewDelegate.h"

#include <memory>
#include <optional>
#include <string>

class JSONValue;
class PellarContact;
class PellarURLDownload;

// Carries out a "contact" click: asks "Add <organization> to your Address
// Book?", adds the advertiser's entry on "Add" and reports the acquisition to
// the ad service beside it. The controller creates and shows it and keeps no
// reference: the alert owns itself until its button has been handled and the
// acquisition request, if any, has ended.
class PellarClickToContactsAlert final : public AlertView, public AlertViewDelegate {
public:
    // Creation. nullptr, with a log line, when the click answer carries no
    // contact object or one without an organization name.
    static std::shared_ptr<PellarClickToContactsAlert> create(
        const std::optional<JSONValue>& contact, std::optional<std::string> acquisitionURL);

    // Properties
    const std::shared_ptr<PellarContact>& contact() const { return m_contact; }
    const std::optional<std::string>& acquisitionEventURL() const { return m_acquisitionEventURL; }

    // AlertViewDelegate
    void alertViewClickedButtonAtIndex(AlertView&, int index) override;

    // Acquisition request callbacks
    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);

    // Made through create(); public for the view factory only.
    PellarClickToContactsAlert(
        const std::string& title, std::shared_ptr<PellarContact>, std::optional<std::string> acquisitionURL);

private:
    std::shared_ptr<PellarContact> m_contact;
    std::optional<std::string> m_acquisitionEventURL;
    std::shared_ptr<PellarURLDownload> m_download;
    // Held while the acquisition is being recorded: the dismissed alert has no other owner.
    std::shared_ptr<PellarClickToContactsAlert> m_keepAlive;
};
