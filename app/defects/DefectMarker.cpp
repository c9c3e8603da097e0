#include "app/defects/DefectMarker.h"

#include "app/defects/DefectMagnifierView.h"
#include "app/defects/DefectOverlayView.h"
#include "app/defects/DefectReport.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/controls/ActionSheet.h"
#include "platform/ui/controls/ActionSheetDelegate.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Screen.h"

#include <algorithm>
#include <cmath>

namespace {

std::pair<int, int> screenPixels()
{
    Screen& screen = Screen::mainScreen();
    return { static_cast<int>(std::lround(screen.bounds().width() * screen.scale())),
        static_cast<int>(std::lround(screen.bounds().height() * screen.scale())) };
}

} // namespace

// Hands the menu's choice back to the marker. The sheet holds it weakly, so a
// choice after the marker is gone reaches nobody.
class DefectMarker::ContextMenu final : public ActionSheetDelegate {
public:
    explicit ContextMenu(DefectMarker& marker)
        : m_marker(marker)
    {
    }
    void actionSheetClickedButtonAtIndex(ActionSheet& sheet, int index) override
    {
        if (index != sheet.cancelButtonIndex())
            m_marker.menuChose(sheet.buttonTitleAtIndex(index));
    }

private:
    DefectMarker& m_marker; // owns us
};

DefectMarker::DefectMarker(View& screen, std::filesystem::path storePath)
    : m_screen(screen)
    , m_store(DefectStore::load(storePath))
    , m_record(&m_store.recordFor(Screen::mainScreen().monitorIdentity()))
{
    if (m_store.problem()) {
        m_message = m_store.problem();
        // The path is the user's own folder; the log says only what happened.
        Log::write("The marks file could not be used; it was set aside and marking starts afresh");
    }
    m_overlay = View::make<DefectOverlayView>(m_screen.bounds());
    m_overlay->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    m_overlay->setRecord(m_record);
    m_screen.addSubview(m_overlay);
    auto [width, height] = screenPixels();
    m_cursor = { std::floor(width / 2.0), std::floor(height / 2.0) };
}

DefectMarker::~DefectMarker() = default;

ErrorOr<void> DefectMarker::changed(bool ok, const std::string& refusal)
{
    if (!ok)
        return Error { "DefectMarkerErrorDomain", 1, refusal };
    if (!m_store.save()) {
        m_message = m_store.isWritable() ? "The marks could not be saved in " + m_store.path().string() + "."
                                         : m_store.problem();
    }
    update();
    return {};
}

ErrorOr<void> DefectMarker::mark(int x, int y, DefectKind kind)
{
    syncMonitor();
    auto [width, height] = screenPixels();
    if (x < 0 || y < 0 || x >= width || y >= height || !m_record->contains(x, y)) {
        return Error { "DefectMarkerErrorDomain", 1,
            "pixel " + std::to_string(x) + " " + std::to_string(y) + " is outside the screen's "
                + std::to_string(m_record->width()) + " × " + std::to_string(m_record->height()) + " pixels" };
    }
    return changed(m_record->mark(x, y, kind), "the record holds as many marks as it can");
}

ErrorOr<void> DefectMarker::unmark(int x, int y)
{
    syncMonitor();
    return changed(
        m_record->unmark(x, y), "no mark on pixel " + std::to_string(x) + " " + std::to_string(y) + " to remove");
}

bool DefectMarker::undo()
{
    syncMonitor();
    return static_cast<bool>(changed(m_record->undo(), {}));
}

ErrorOr<void> DefectMarker::exportReport(const std::string& base)
{
    syncMonitor();
    auto written = DefectReport(*m_record, Date::now()).write(base);
    m_message = written ? "Report written to " + base + ".json, .csv and .png." : written.error().message;
    update();
    return written;
}

ErrorOr<std::string> DefectMarker::exportReportToDefaultPlace()
{
    auto folder = Paths::dataDirectory() / kReportsSubdirectory;
    if (!Paths::createDirectories(folder)) {
        m_message = "cannot make the folder " + folder.string();
        update();
        return Error { DefectReport::kErrorDomain, DefectReport::kCannotWrite, *m_message };
    }
    std::string connector = m_record->monitor().connector.empty() ? "monitor" : m_record->monitor().connector;
    std::string base = (folder / (connector + "-" + Date::now().formatted("%Y%m%d-%H%M%S", false))).string();
    if (auto written = exportReport(base); !written)
        return written.error();
    return base;
}

void DefectMarker::setMarking(bool marking)
{
    m_marking = marking;
    if (marking && !m_magnifier) {
        m_magnifier = View::make<DefectMagnifierView>(Point { 0, 0 });
        m_summary = View::make<View>(Rect { 0, 0, m_screen.bounds().width(), 60 });
        m_summary->setBackgroundColor(Color::black().withAlpha(0.8));
        m_summary->setUserInteractionEnabled(false);
        m_summaryText = View::make<Label>(Rect { 8, 4, m_screen.bounds().width() - 16, 52 });
        m_summaryText->setNumberOfLines(0);
        m_summaryText->setFont(Font::systemFont(12));
        m_summaryText->setTextColor(Color::whiteColor());
        m_summaryText->setAccessibilityLabel(std::string("Marking summary"));
        m_summary->addSubview(m_summaryText);
        m_screen.addSubview(m_magnifier);
        m_screen.addSubview(m_summary);
    } else if (!marking && m_magnifier) {
        m_magnifier->removeFromSuperview();
        m_summary->removeFromSuperview();
        m_magnifier = nullptr;
        m_summary = nullptr;
        m_summaryText = nullptr;
    }
    update();
}

void DefectMarker::setCursor(Point pixel)
{
    auto [width, height] = screenPixels();
    m_cursor
        = { std::clamp(std::floor(pixel.x), 0.0, width - 1.0), std::clamp(std::floor(pixel.y), 0.0, height - 1.0) };
    update();
}

void DefectMarker::moveCursor(int dx, int dy)
{
    setCursor({ m_cursor.x + dx, m_cursor.y + dy });
}

bool DefectMarker::ringsVisible() const
{
    return m_overlay->ringsVisible();
}

void DefectMarker::toggleRings()
{
    m_overlay->setRingsVisible(!m_overlay->ringsVisible());
}

bool DefectMarker::keyPressed(const Key& key)
{
    using Code = Key::Code;
    if (key.hasModifier(Key::Control) || key.hasModifier(Key::Alt))
        return false;
    if (key.code() == Code::Character && (key.isCharacter("v") || key.isCharacter("V"))) {
        toggleRings();
        return true;
    }
    if (key.code() == Code::Character && (key.isCharacter("k") || key.isCharacter("K"))) {
        setMarking(!m_marking);
        return true;
    }
    if (!m_marking)
        return false;
    int step = key.hasModifier(Key::Shift) ? 10 : 1;
    switch (key.code()) {
    case Code::Left:
        moveCursor(-step, 0);
        return true;
    case Code::Right:
        moveCursor(step, 0);
        return true;
    case Code::Up:
        moveCursor(0, -step);
        return true;
    case Code::Down:
        moveCursor(0, step);
        return true;
    case Code::Escape:
        setMarking(false);
        return true;
    case Code::Character:
        break;
    default:
        return false;
    }
    static const std::pair<const char*, DefectKind> kinds[]
        = { { "h", DefectKind::Hot }, { "d", DefectKind::Dead }, { "r", DefectKind::StuckRed },
              { "g", DefectKind::StuckGreen }, { "b", DefectKind::StuckBlue }, { "o", DefectKind::StuckOff } };
    std::string c = key.text();
    std::transform(c.begin(), c.end(), c.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    int x = static_cast<int>(m_cursor.x), y = static_cast<int>(m_cursor.y);
    for (auto& [name, kind] : kinds) {
        if (c == name) {
            if (auto marked = mark(x, y, kind); !marked) {
                m_message = marked.error().message;
                update();
            }
            return true;
        }
    }
    if (c == "u") {
        undo();
    } else if (c == "x") {
        (void)unmark(x, y); // nothing to remove is nothing to say
    } else if (c == "e") {
        (void)exportReportToDefaultPlace(); // the summary says where, or why not
    } else {
        return false;
    }
    return true;
}

bool DefectMarker::tapAt(Point inScreen)
{
    if (!m_marking)
        return false;
    double scale = Screen::mainScreen().scale();
    setCursor({ inScreen.x * scale, inScreen.y * scale });
    return true;
}

void DefectMarker::showContextMenu(Point inScreen)
{
    if (!m_marking)
        setMarking(true);
    double scale = Screen::mainScreen().scale();
    setCursor({ inScreen.x * scale, inScreen.y * scale });
    if (!m_menu)
        m_menu = std::make_shared<ContextMenu>(*this);
    std::vector<std::string> entries(std::begin(kMenuEntries), std::end(kMenuEntries));
    auto sheet = View::make<ActionSheet>(
        "Pixel " + std::to_string(static_cast<int>(m_cursor.x)) + " " + std::to_string(static_cast<int>(m_cursor.y)),
        m_menu, std::string("Cancel"), std::nullopt, entries);
    sheet->showInView(m_screen);
}

void DefectMarker::menuChose(const std::string& entry)
{
    static const std::pair<const char*, DefectKind> kinds[]
        = { { "Hot pixel", DefectKind::Hot }, { "Dead pixel", DefectKind::Dead }, { "Stuck red", DefectKind::StuckRed },
              { "Stuck green", DefectKind::StuckGreen }, { "Stuck blue", DefectKind::StuckBlue },
              { "Stuck off", DefectKind::StuckOff } };
    int x = static_cast<int>(m_cursor.x), y = static_cast<int>(m_cursor.y);
    for (auto& [name, kind] : kinds) {
        if (entry == name) {
            if (auto marked = mark(x, y, kind); !marked) {
                m_message = marked.error().message;
                update();
            }
            return;
        }
    }
    if (entry == "Remove mark here")
        (void)unmark(x, y); // nothing to remove is nothing to say
    else if (entry == "Undo last mark")
        undo();
    else if (entry == "Export report")
        (void)exportReportToDefaultPlace(); // the summary says where, or why not
}

void DefectMarker::raise()
{
    m_screen.bringSubviewToFront(m_overlay.get());
    if (m_magnifier) {
        m_screen.bringSubviewToFront(m_magnifier.get());
        m_screen.bringSubviewToFront(m_summary.get());
    }
}

void DefectMarker::screenDidChange()
{
    syncMonitor();
    setCursor(m_cursor);
}

void DefectMarker::syncMonitor()
{
    // The window may have moved to another monitor, or the monitor changed
    // mode, without the screen changing size: follow the host's identity.
    MonitorIdentity monitor = Screen::mainScreen().monitorIdentity();
    if (monitor == m_record->monitor())
        return;
    m_record = &m_store.recordFor(monitor);
    m_overlay->setRecord(m_record);
    m_overlay->setNeedsDisplay();
}

std::string DefectMarker::summaryText() const
{
    PanelVerdict verdict = m_record->verdict();
    size_t marks = m_record->marks().size() - m_record->flaggedCount();
    std::string text = "x " + std::to_string(static_cast<int>(m_cursor.x)) + "  y "
        + std::to_string(static_cast<int>(m_cursor.y)) + "  ·  " + std::to_string(marks)
        + (marks == 1 ? " mark" : " marks");
    if (size_t flagged = m_record->flaggedCount())
        text += " (and " + std::to_string(flagged) + " from another mode)";
    text += "\n" + verdict.summary() + "\n";
    text += m_message ? *m_message : "H hot · D dead · R G B O stuck · U undo · X remove · E export · Esc done";
    return text;
}

void DefectMarker::update()
{
    raise();
    m_overlay->setNeedsDisplay();
    m_overlay->setCursor(m_marking ? std::optional<Point>(m_cursor) : std::nullopt);
    if (!m_magnifier)
        return;
    double scale = Screen::mainScreen().scale();
    Size size = m_screen.bounds().size;
    double side = DefectMagnifierView::side(scale);
    // In the top corner away from the cursor, so it never hides what it magnifies.
    bool cursorOnRight = m_cursor.x / scale > size.width / 2;
    m_magnifier->setFrame({ cursorOnRight ? 12 : size.width - side - 12, 60, side, side });
    m_magnifier->capture(m_screen, m_cursor, { m_overlay.get(), m_magnifier.get(), m_summary.get() });
    // As tall as its text, along the bottom edge.
    std::string text = summaryText();
    double textWidth = size.width - 16;
    double textHeight = std::ceil(m_summaryText->font().sizeWithText(text, { textWidth, 1000 }).height);
    m_summary->setFrame({ 0, size.height - textHeight - 8, size.width, textHeight + 8 });
    m_summaryText->setFrame({ 8, 4, textWidth, textHeight });
    m_summaryText->setText(text);
}
