#pragma once

#include <gtk/gtk.h>
#include <map>
#include <memory>
#include <vector>

class GtkLayerRenderer;
class GtkScreenWidget;
class GtkTextInput;
class PellarBannerHost;
class Window;

// What the banners of one process share: the one application of the
// platform layer, whose screen is the size of a click-through screen; the
// web engine; the display's frame clock for animations; and the window the
// click-through screens and alerts show in.
//
// Every window of the application that is not a banner's belongs to a screen
// or an alert. While one is visible, a modal window over the toplevel of the
// banner that opened it shows them (with the pages inside); when the last
// goes, that window is destroyed and the banner's toplevel takes input again.
class PellarEmbedding {
public:
    // The first call sets the platform up (main thread, GTK initialised).
    static PellarEmbedding& shared();

    void addBanner(PellarBannerHost&);
    void removeBanner(PellarBannerHost&);
    // The banner whose ad opened what shows (or is about to): its toplevel is
    // the screens' parent. A banner that goes clears itself.
    void setPresentingBanner(PellarBannerHost*);
    PellarBannerHost* presentingBanner() const { return m_presenting; }
    bool isBannerWindow(const Window*) const;

    // The window showing the screens, or null (tests look at it).
    GtkWidget* screensWindow() const { return m_screensWindow; }

    PellarEmbedding(const PellarEmbedding&) = delete;
    PellarEmbedding& operator=(const PellarEmbedding&) = delete;

private:
    PellarEmbedding();
    void displayChanged();
    void updateScreensWindow();
    bool screensVisible() const;
    void openScreensWindow();
    void closeScreensWindow();
    void snapshotScreens(GtkSnapshot*);

    std::vector<PellarBannerHost*> m_banners;
    PellarBannerHost* m_presenting { nullptr };
    std::unique_ptr<GtkScreenWidget> m_screens;
    std::unique_ptr<GtkTextInput> m_textInput;
    // One renderer per window shown there, so each keeps its own textures.
    std::map<const Window*, std::unique_ptr<GtkLayerRenderer>> m_renderers;
    GtkWidget* m_screensWindow { nullptr };
    guint m_updateSource { 0 };
};
