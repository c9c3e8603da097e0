#pragma once

#include "app/defects/DefectStore.h"
#include "base/ErrorOr.h"
#include "platform/ui/graphics/Point.h"

#include <memory>
#include <optional>
#include <string>

class DefectMagnifierView;
class DefectOverlayView;
class Key;
class Label;
class View;

// Marking faulty pixels on the test screen, in any of its modes: a cursor
// that moves by device pixels (or to a tap) with a magnifier beside it, keys
// that mark the pixel under it, rings around the marks, a summary with the
// panel's verdict, and the export of a report. The marks live in the store,
// one record per monitor, saved after every change.
class DefectMarker {
public:
    // Marking keys; also listed in the key help.
    static constexpr const char* kKeyHelpText = "K\tmark pixels (arrows move the cursor)\n"
                                                "H  D\tmark hot or dead pixel\n"
                                                "R G B O\tmark stuck red, green, blue, off\n"
                                                "U  X\tundo last mark, remove mark here\n"
                                                "V\tshow or hide the marks\n"
                                                "E\texport a report";
    static constexpr const char* kReportsSubdirectory = "reports";

    // `screen` is the test screen's view, which owns the views made here.
    DefectMarker(View& screen, std::filesystem::path storePath = DefectStore::defaultPath());
    ~DefectMarker();

    MonitorRecord& record() { return *m_record; }
    const DefectStore& store() const { return m_store; }
    // The store's trouble reading its file, or saving, or the last export, in words.
    const std::optional<std::string>& message() const { return m_message; }

    // Operations in device pixels of the screen; each saves the record. A
    // pixel outside the screen's current mode is refused with the reason.
    ErrorOr<void> mark(int x, int y, DefectKind);
    ErrorOr<void> unmark(int x, int y);
    bool undo();
    // Writes base.json, base.csv and base.png. No marks are lost if it fails.
    ErrorOr<void> exportReport(const std::string& base);
    // Into the reports folder of the data directory; answers the base path.
    ErrorOr<std::string> exportReportToDefaultPlace();

    bool isMarking() const { return m_marking; }
    void setMarking(bool);
    Point cursor() const { return m_cursor; }
    void setCursor(Point pixel);
    void moveCursor(int dx, int dy);
    bool ringsVisible() const;
    void toggleRings();

    // The screen's keys and taps come here first; true when taken.
    bool keyPressed(const Key&);
    bool tapAt(Point inScreen);
    // A secondary click: marking starts with the cursor on the pixel clicked,
    // and a menu offers what the keys do there.
    void showContextMenu(Point inScreen);
    // The menu's entries after Cancel, in order.
    static constexpr const char* kMenuEntries[] = { "Hot pixel", "Dead pixel", "Stuck red", "Stuck green", "Stuck blue",
        "Stuck off", "Remove mark here", "Undo last mark", "Export report" };
    // Keeps the rings above whatever was just put on the screen.
    void raise();
    // The screen's size, scale or monitor changed.
    void screenDidChange();

    std::string summaryText() const;

private:
    class ContextMenu;
    void menuChose(const std::string& entry);
    void syncMonitor();
    ErrorOr<void> changed(bool ok, const std::string& refusal);
    void update();

    View& m_screen;
    DefectStore m_store;
    MonitorRecord* m_record; // inside m_store
    std::optional<std::string> m_message;
    bool m_marking { false };
    Point m_cursor;
    std::shared_ptr<DefectOverlayView> m_overlay;
    std::shared_ptr<DefectMagnifierView> m_magnifier;
    std::shared_ptr<View> m_summary;
    std::shared_ptr<Label> m_summaryText;
    std::shared_ptr<ContextMenu> m_menu;
};
