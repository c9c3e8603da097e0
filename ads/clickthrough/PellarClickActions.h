#pragma once

#include "ads/core/PellarClickAction.h"
#include "platform/foundation/URL.h"
#include "json/JSONValue.h"

#include <memory>
#include <optional>
#include <string>

class PellarAd;
class PellarDelegate;
class PellarModalViewController;
class PellarView;

// What a click does once the server has recorded it, by its action: the one
// place the library's core reaches the click-through screens. A new screen
// is its own files plus one row in handlerFor().
//
// Store links are not in the table: the controller follows them itself,
// whatever the action, since it keeps the link cleaners until they answer.
class PellarClickActions final {
public:
    // One recorded click.
    struct Click {
        std::shared_ptr<PellarView> view; // the ad view a screen grows from; null once it is gone
        std::weak_ptr<PellarDelegate> host;
        std::shared_ptr<PellarAd> ad;
        std::optional<URL> url; // the server's redirect
        std::optional<std::string> acquisitionURL;
        std::optional<JSONValue> contact; // the click answer's contact record
    };
    // Carries out a click. Returns what must stay alive while its screen is
    // up (the screen's controller), or null.
    using Handler = std::shared_ptr<void> (*)(const Click&);

    // Null for Store, which the controller handles.
    static Handler handlerFor(PellarClickAction);
    static std::shared_ptr<void> perform(PellarClickAction, const Click&);

    // The search screen a tapped search banner opens (the search is the
    // click); null without the ad view to grow from. The controller keeps it
    // and gives the screen back when the search's click fails.
    struct Search {
        std::shared_ptr<PellarView> view;
        std::weak_ptr<PellarDelegate> host;
        std::shared_ptr<PellarAd> ad;
        std::optional<std::string> placeholderText;
        std::optional<std::string> webpageURL;
    };
    static std::shared_ptr<PellarModalViewController> displaySearch(const Search&);
    static void relinquishScreen(PellarModalViewController&);

    PellarClickActions() = delete;
};
