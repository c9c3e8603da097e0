#include "ads/clickthrough/PellarClickToContactsAlert.h"

#include "ads/clickthrough/PellarAlertText.h"
#include "ads/clickthrough/PellarContact.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "json/JSONValue.h"

std::shared_ptr<PellarClickToContactsAlert> PellarClickToContactsAlert::create(
    const std::optional<JSONValue>& record, std::optional<std::string> acquisitionURL)
{
    if (!record || !record->isDictionary()) {
        Log::write("No contact information in click response.");
        return nullptr;
    }
    auto contact = PellarContact::createWithDictionary(*record);
    if (!contact->organization()) {
        Log::write("No organization name in the contact information in click response.");
        return nullptr;
    }
    auto title = PellarAlertText::localizedFormat("Add %@ to your Address Book?", *contact->organization());
    auto alert = View::make<PellarClickToContactsAlert>(title, std::move(contact), std::move(acquisitionURL));
    alert->setDelegate(std::static_pointer_cast<PellarClickToContactsAlert>(alert->sharedView()));
    return alert;
}

PellarClickToContactsAlert::PellarClickToContactsAlert(
    const std::string& title, std::shared_ptr<PellarContact> contact, std::optional<std::string> acquisitionURL)
    : AlertView(title, "", {}, PellarAlertText::localized("Cancel"), { PellarAlertText::localized("Add") })
    , m_contact(std::move(contact))
    , m_acquisitionEventURL(std::move(acquisitionURL))
{
}

void PellarClickToContactsAlert::alertViewClickedButtonAtIndex(AlertView&, int index)
{
    if (index == cancelButtonIndex())
        return;
    if (m_contact->addToAddressBook()) {
        // Nothing was added, so nothing was acquired either: the user hears
        // it, and the service is not told otherwise.
        auto failed = View::make<AlertView>(PellarAlertText::localizedFormat("%@ was not added to your Address Book.",
                                                m_contact->organization().value_or("")),
            "", std::weak_ptr<AlertViewDelegate> {}, PellarAlertText::localized("OK"));
        failed->show();
        return;
    }
    if (!m_acquisitionEventURL)
        return;
    // The entry is added at once; the acquisition is reported beside it and not waited for.
    m_keepAlive = std::static_pointer_cast<PellarClickToContactsAlert>(sharedView());
    m_download = PellarURLDownload::create();
    m_download->setDelegate(
        m_keepAlive, &PellarClickToContactsAlert::downloadDidSucceed, &PellarClickToContactsAlert::downloadDidFail);
    m_download->loadContentsOfURLAtString(*m_acquisitionEventURL);
}

void PellarClickToContactsAlert::downloadDidSucceed(PellarURLDownload& download)
{
    download.cancel();
    // We are inside the download's callback; both go once this pass ends.
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_download));
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_keepAlive));
}

void PellarClickToContactsAlert::downloadDidFail(PellarURLDownload& download)
{
    Log::write("Failed to record click-to-contacts acquisition.");
    downloadDidSucceed(download);
}
