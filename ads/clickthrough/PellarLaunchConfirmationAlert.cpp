#include "ads/clickthrough/PellarLaunchConfirmationAlert.h"

#include "ads/clickthrough/PellarAlertText.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/ui/views/Application.h"

std::string PellarLaunchConfirmationAlert::displayedRecipient(const URL& link)
{
    std::string text = link.absoluteString();
    size_t colon = text.find(':');
    std::string rest = colon == std::string::npos ? text : text.substr(colon + 1);
    if (rest.starts_with("//"))
        rest.erase(0, 2);
    return rest.substr(0, rest.find_first_of("?#"));
}

std::shared_ptr<PellarLaunchConfirmationAlert> PellarLaunchConfirmationAlert::create(const URL& link)
{
    auto scheme = SystemURLPolicy::schemeOf(link.absoluteString());
    std::string recipient = displayedRecipient(link);
    if (recipient.empty())
        return nullptr;
    std::shared_ptr<PellarLaunchConfirmationAlert> alert;
    if (scheme == "sms")
        alert = View::make<PellarLaunchConfirmationAlert>(
            PellarAlertText::localizedFormat("Send a message to %@?", recipient), PellarAlertText::localized("Send"),
            link);
    else if (scheme == "mailto")
        alert = View::make<PellarLaunchConfirmationAlert>(
            PellarAlertText::localizedFormat("Write to %@?", recipient), PellarAlertText::localized("Write"), link);
    else
        return nullptr;
    alert->setDelegate(std::static_pointer_cast<PellarLaunchConfirmationAlert>(alert->sharedView()));
    return alert;
}

PellarLaunchConfirmationAlert::PellarLaunchConfirmationAlert(
    const std::string& title, const std::string& confirmTitle, URL link)
    : AlertView(title, "", {}, PellarAlertText::localized("Cancel"), { confirmTitle })
    , m_link(std::move(link))
{
}

void PellarLaunchConfirmationAlert::alertViewClickedButtonAtIndex(AlertView&, int index)
{
    if (index != cancelButtonIndex())
        Application::shared().openURL(m_link.absoluteString());
}
