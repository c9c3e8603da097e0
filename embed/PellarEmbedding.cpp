#include "embed/PellarEmbedding.h"

#include "embed/PellarBannerHost.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/gtk/GtkLayerRenderer.h"
#include "platform/gtk/GtkPointerInput.h"
#include "platform/gtk/GtkScreenWidget.h"
#include "platform/gtk/GtkTextInput.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#ifdef VANTREL_HAVE_WEBKIT
#include "platform/gtk/GtkWebView.h"
#endif

#include <algorithm>

PellarEmbedding& PellarEmbedding::shared()
{
    // Lives as long as the process: the platform's singletons refer to it.
    static PellarEmbedding* embedding = new PellarEmbedding;
    return *embedding;
}

PellarEmbedding::PellarEmbedding()
    : m_screens(std::make_unique<GtkScreenWidget>())
{
    auto& application = Application::shared();
    // The click-through screens take the whole screen: no status bar above them.
    application.setStatusBarHidden(true);
    application.setLaunchesSystemHandlers(true);
    Screen::mainScreen().setSize(Screen::kDefaultSize);
    RunLoop::main();

    // The screens' widget: its size is the screen's, in points.
    m_screens->setNaturalSize(
        static_cast<int>(Screen::kDefaultSize.width), static_cast<int>(Screen::kDefaultSize.height));
    m_screens->setDrawHandler([this](GtkSnapshot* snapshot) { snapshotScreens(snapshot); });
    m_screens->setResizeHandler([](int width, int height) {
        Screen::mainScreen().setSize(Size { static_cast<double>(width), static_cast<double>(height) });
        Application::shared().setNeedsDisplay();
    });
    m_screens->setHitTest([](double x, double y) { return Application::shared().hitTest(Point { x, y }); });
    GtkPointerInput::Handlers pointer;
    pointer.toPoints = [](double x, double y) { return Point { x, y }; };
    pointer.unitsPerPoint = [] { return 1.0; };
    pointer.willPress = [this] { m_screens->takeFocus(); };
    GtkPointerInput::attach(m_screens->inputWidget(), m_screens->widget(), std::move(pointer));
#ifdef VANTREL_HAVE_WEBKIT
    // Pages of the browser, canvas and search screens are children of the screens' widget.
    GtkWebView::registerScreen(*m_screens, [] { return 1.0; });
#endif

    application.setDisplayChangedHook([this] { displayChanged(); });
    // Animations step on the engine's timer at the desktop host's rate; each
    // step asks the banners and screens for one drawing, mapped or not, so no
    // widget's frame clock has to run for them.
    AnimationEngine::shared().setFrameInterval(1.0 / GtkHost::kAnimationFrameRate);
}

void PellarEmbedding::addBanner(PellarBannerHost& banner)
{
    m_banners.push_back(&banner);
}

void PellarEmbedding::removeBanner(PellarBannerHost& banner)
{
    std::erase(m_banners, &banner);
    if (m_presenting == &banner) {
        m_presenting = nullptr;
        closeScreensWindow();
    }
    Application::shared().setNeedsDisplay();
}

void PellarEmbedding::setPresentingBanner(PellarBannerHost* banner)
{
    m_presenting = banner;
}

bool PellarEmbedding::isBannerWindow(const Window* window) const
{
    return std::any_of(
        m_banners.begin(), m_banners.end(), [&](PellarBannerHost* banner) { return banner->window().get() == window; });
}

// MARK: Changes

void PellarEmbedding::displayChanged()
{
    for (PellarBannerHost* banner : m_banners) {
        if (banner->widget())
            gtk_widget_queue_draw(banner->widget());
    }
    gtk_widget_queue_draw(m_screens->widget());
    // Windows come and go inside the application's calls: the screens'
    // window follows once the call is over.
    if (!m_updateSource) {
        m_updateSource = g_idle_add_full(
            G_PRIORITY_HIGH_IDLE,
            [](gpointer data) -> gboolean {
                auto* self = static_cast<PellarEmbedding*>(data);
                self->m_updateSource = 0;
                self->updateScreensWindow();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
    }
}

bool PellarEmbedding::screensVisible() const
{
    for (auto& window : Application::shared().windows()) {
        if (!window->isHidden() && !isBannerWindow(window.get()))
            return true;
    }
    return false;
}

void PellarEmbedding::updateScreensWindow()
{
    if (screensVisible())
        openScreensWindow();
    else
        closeScreensWindow();
}

void PellarEmbedding::openScreensWindow()
{
    if (m_screensWindow)
        return;
    // Over the toplevel of the banner that opened the screen; without one
    // (it went), there is nothing to put the screen over.
    GtkWidget* bannerWidget = m_presenting ? m_presenting->widget() : nullptr;
    if (!bannerWidget && !m_banners.empty())
        bannerWidget = m_banners.back()->widget();
    GtkRoot* root = bannerWidget ? gtk_widget_get_root(bannerWidget) : nullptr;
    if (!root || !GTK_IS_WINDOW(root))
        return;
    m_screensWindow = gtk_window_new();
    gtk_window_set_transient_for(GTK_WINDOW(m_screensWindow), GTK_WINDOW(root));
    gtk_window_set_modal(GTK_WINDOW(m_screensWindow), TRUE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(m_screensWindow), TRUE);
    if (const char* title = gtk_window_get_title(GTK_WINDOW(root)))
        gtk_window_set_title(GTK_WINDOW(m_screensWindow), title);
    Size size = Screen::mainScreen().bounds().size;
    gtk_window_set_default_size(
        GTK_WINDOW(m_screensWindow), static_cast<int>(size.width), static_cast<int>(size.height));
    gtk_window_set_child(GTK_WINDOW(m_screensWindow), m_screens->widget());

    GtkEventController* keys = gtk_event_controller_key_new();
    m_textInput = std::make_unique<GtkTextInput>(m_screens->widget());
    g_signal_connect(keys, "key-pressed",
        G_CALLBACK(+[](GtkEventControllerKey* controller, guint keyval, guint, GdkModifierType state,
                        gpointer data) -> gboolean {
            auto* self = static_cast<PellarEmbedding*>(data);
            if (self->m_textInput && self->m_textInput->filterKeyPress(controller, keyval, state))
                return TRUE;
            auto key = GtkHost::keyFromEvent(keyval, state);
            return key && Application::shared().sendKey(*key);
        }),
        this);
    g_signal_connect(keys, "key-released",
        G_CALLBACK(+[](GtkEventControllerKey* controller, guint, guint, GdkModifierType, gpointer data) {
            if (auto* self = static_cast<PellarEmbedding*>(data); self->m_textInput)
                self->m_textInput->filterKeyRelease(controller);
        }),
        this);
    gtk_widget_add_controller(m_screensWindow, keys);
    // Closing the window is the screen's own way out (Done, Cancel), as Escape is.
    g_signal_connect(m_screensWindow, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer) -> gboolean {
        Application::shared().sendKey(Key(Key::Code::Escape, Key::None));
        return TRUE;
    }),
        nullptr);
    g_signal_connect(m_screensWindow, "destroy", G_CALLBACK(+[](GtkWidget* window, gpointer data) {
        auto* self = static_cast<PellarEmbedding*>(data);
        if (self->m_screensWindow != window)
            return;
        // Destroyed with its parent: the screens' widget stays ours.
        self->m_screensWindow = nullptr;
        self->m_textInput.reset();
        self->m_renderers.clear();
    }),
        this);
    gtk_window_present(GTK_WINDOW(m_screensWindow));
    m_screens->takeFocus();
}

void PellarEmbedding::closeScreensWindow()
{
    if (!m_screensWindow)
        return;
    GtkWidget* window = std::exchange(m_screensWindow, nullptr);
    m_textInput.reset();
    gtk_window_set_child(GTK_WINDOW(window), nullptr);
    gtk_window_destroy(GTK_WINDOW(window));
    m_renderers.clear();
}

void PellarEmbedding::snapshotScreens(GtkSnapshot* snapshot)
{
    Rect bounds = Screen::mainScreen().bounds();
    GdkRGBA black { 0, 0, 0, 1 };
    graphene_rect_t area
        = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(bounds.width()), static_cast<float>(bounds.height()));
    gtk_snapshot_append_color(snapshot, &black, &area);
    double pixelsPerPoint = std::max(1, gtk_widget_get_scale_factor(m_screens->widget()));
    Screen::mainScreen().setScale(pixelsPerPoint);
    // The lowest window (the screen, with its pages) is drawn by the screens'
    // widget's own renderer, which knows where the pages go; the windows
    // above it (alerts) each have one of their own, so no window's textures
    // push out another's.
    std::map<const Window*, std::unique_ptr<GtkLayerRenderer>> used;
    bool first = true;
    for (auto& window : Application::shared().windows()) {
        if (window->isHidden() || isBannerWindow(window.get()))
            continue;
        GtkLayerRenderer* renderer = &m_screens->renderer();
        if (!first) {
            auto found = m_renderers.find(window.get());
            auto own = found != m_renderers.end() ? std::move(found->second)
                                                  : std::make_unique<GtkLayerRenderer>(m_screens->widget());
            renderer = own.get();
            used.emplace(window.get(), std::move(own));
        }
        first = false;
        Rect frame = window->frame();
        gtk_snapshot_save(snapshot);
        graphene_point_t origin
            = GRAPHENE_POINT_INIT(static_cast<float>(frame.minX()), static_cast<float>(frame.minY()));
        gtk_snapshot_translate(snapshot, &origin);
        renderer->snapshotWindow(snapshot, *window, 1.0, pixelsPerPoint);
        gtk_snapshot_restore(snapshot);
    }
    m_renderers = std::move(used);
    Application::shared().screenWasDrawn();
}
