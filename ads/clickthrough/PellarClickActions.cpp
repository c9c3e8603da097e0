#include "ads/clickthrough/PellarClickActions.h"

#include "ads/clickthrough/PellarBrowserController.h"
#include "ads/clickthrough/PellarCanvasController.h"
#include "ads/clickthrough/PellarClickToCallAlert.h"
#include "ads/clickthrough/PellarClickToContactsAlert.h"
#include "ads/clickthrough/PellarSearchViewController.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarView.h"
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

std::shared_ptr<void> openCanvas(const PellarClickActions::Click& click)
{
    if (!click.url || !click.view)
        return nullptr;
    auto canvas = PellarCanvasController::create();
    std::string title = click.ad ? click.ad->userString().value_or("") : "";
    canvas->presentCanvasFromView(click.view, *click.url, title, click.host);
    return canvas;
}

std::shared_ptr<void> openWithSystem(const PellarClickActions::Click& click)
{
    if (click.url)
        Application::shared().openURL(click.url->absoluteString());
    return nullptr;
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
    switch (action) {
    case PellarClickAction::URL:
        return openInBrowser;
    case PellarClickAction::Canvas:
        return openCanvas;
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

std::shared_ptr<PellarModalViewController> PellarClickActions::displaySearch(const Search& search)
{
    if (!search.view || !search.ad)
        return nullptr;
    auto screen = PellarSearchViewController::create();
    screen->setSearchBarHeight(static_cast<float>(search.view->bounds().height()));
    screen->setTileImage(search.ad->userImage());
    screen->setPlaceholderText(search.placeholderText);
    screen->setWebpageURL(search.webpageURL);
    screen->presentFromView(search.view, search.ad, search.host);
    return screen;
}

void PellarClickActions::relinquishScreen(PellarModalViewController& screen)
{
    screen.relinquishScreen();
}

std::shared_ptr<void> PellarClickActions::perform(PellarClickAction action, const Click& click)
{
    if (auto handler = handlerFor(action))
        return handler(click);
    return nullptr;
}
