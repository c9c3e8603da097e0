#pragma once

#include <string>

class SearchBar;

// Told what the user does in a search bar. Every operation is optional.
class SearchBarDelegate {
public:
    virtual ~SearchBarDelegate() = default;
    virtual void searchBarTextDidBeginEditing(SearchBar&) { }
    // The user changed the text (typing, deleting, pasting); not sent for setText.
    virtual void searchBarTextDidChange(SearchBar&, const std::string& /*text*/) { }
    // Return, the keyboard's search key.
    virtual void searchBarSearchButtonClicked(SearchBar&) { }
    // The cancel button, or Escape while it shows.
    virtual void searchBarCancelButtonClicked(SearchBar&) { }
};
