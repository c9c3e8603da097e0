#include "ads/clickthrough/PellarClickActions.h"

#include "ads/clickthrough/PellarBrowserController.h"
#include "ads/clickthrough/PellarClickToCallAlert.h"
#include "ads/clickthrough/PellarClickToContactsAlert.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Log.h"
#include "platform/ui/views/Application.h"

namespace {

std::shared_ptr<void> openInBrowser(const PellarClickActions::Click& click)
{
    // Without a link, or without the banner to grow from, there is no page to show.
    if (!click.url || !click.view)
        return nullptr;
    auto browser = PellarBrowserController::create();
    browser->presentBrowserFromView(click.view, *click.url, click.host);
    return browser;
}

std::shared_ptr<void> openWithSystem(const PellarClickActions::Click& click)
{
    if (click.url)
        Application::shared().openURL(click.url->absoluteString());
    return nullptr;
}

// Actions whose screens this build does not have yet: the link goes to the
// system's URL handler instead. The link itself is not logged: it may carry
// a number or an address.
std::shared_ptr<void> openWithSystemForNow(const PellarClickActions::Click& click, const char* action)
{
    if (!click.url)
        return nullptr;
    Log::writef("Pellar: no screen for the \"%s\" action yet; opening its link with the system", action);
    return openWithSystem(click);
}

// The alerts own themselves until they are done: nothing to keep.
std::shared_ptr<void> offerCall(const PellarClickActions::Click& click)
{
    if (auto alert = PellarClickToCallAlert::create(click.url, click.acquisitionURL))
        alert->showOrCall();
    return nullptr;
}

std::shared_ptr<void> offerContact(const PellarClickActions::Click& click)
{
    if (auto alert = PellarClickToContactsAlert::create(click.contact, click.acquisitionURL))
        alert->show();
    return nullptr;
}

} // namespace

PellarClickActions::Handler PellarClickActions::handlerFor(PellarClickAction action)
{
    using Click = PellarClickActions::Click;
    switch (action) {
    case PellarClickAction::URL:
        return openInBrowser;
    case PellarClickAction::Canvas:
        return [](const Click& click) { return openWithSystemForNow(click, "canvas"); };
    case PellarClickAction::Call:
        return offerCall;
    case PellarClickAction::Contact:
        return offerContact;
    case PellarClickAction::Search:
    case PellarClickAction::Other:
        return openWithSystem;
    case PellarClickAction::Store:
        return nullptr;
    }
    return openWithSystem;
}

std::shared_ptr<void> PellarClickActions::perform(PellarClickAction action, const Click& click)
{
    if (auto handler = handlerFor(action))
        return handler(click);
    return nullptr;
}
