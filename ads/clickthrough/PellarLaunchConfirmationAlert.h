#pragma once

#include "platform/foundation/URL.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/AlertViewDelegate.h"

#include <memory>
#include <string>

// Asks the user before a page's link sends a message or a mail ("sms:",
// "mailto:"), the way a call is confirmed: the link goes to the system only
// when the user says so. The alert owns itself while it shows.
class PellarLaunchConfirmationAlert final : public AlertView, public AlertViewDelegate {
public:
    // nullptr for any other kind of link, or one that names nobody.
    static std::shared_ptr<PellarLaunchConfirmationAlert> create(const URL& link);
    // Who the link writes to: the link without its scheme, "//" and query.
    static std::string displayedRecipient(const URL& link);

    const URL& link() const { return m_link; }

    // AlertViewDelegate
    void alertViewClickedButtonAtIndex(AlertView&, int index) override;

    // Made through create(); public for the view factory only.
    PellarLaunchConfirmationAlert(const std::string& title, const std::string& confirmTitle, URL link);

private:
    URL m_link;
};
