#pragma once

#include <memory>
#include <string>

class BarButtonItem;
class NavigationBar;

// What a navigation bar shows for one screen: a title and a button on the left.
class NavigationItem {
public:
    explicit NavigationItem(std::string title = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string);
    const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return m_leftBarButtonItem; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem>);

    void setNavigationBar(NavigationBar* bar) { m_bar = bar; }

private:
    std::string m_title;
    std::shared_ptr<BarButtonItem> m_leftBarButtonItem;
    NavigationBar* m_bar { nullptr }; // holds us
};
