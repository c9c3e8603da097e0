#include "app/vcVantrel.h"

#include "app/AdViewController.h"
#include "app/FeedbackToast.h"
#include "app/FullScreenChrome.h"
#include "app/StuckPixelExerciser.h"
#include "app/TestPatternView.h"
#include "app/VantrelSettings.h"
#include "app/defects/DefectMarker.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <glib.h>

vcVantrel::vcVantrel(std::string interfaceName)
    : ViewController(std::move(interfaceName))
    , m_random([] { return static_cast<uint32_t>(g_random_int()); })
    , m_intervalToast(std::make_unique<FeedbackToast>())
    , m_chrome(FullScreenChrome::create())
{
}

vcVantrel::~vcVantrel() = default;

bool vcVantrel::setOutlet(const std::string& name, const std::shared_ptr<Responder>& object)
{
    auto assign = [&](auto& field) {
        field = std::dynamic_pointer_cast<typename std::decay_t<decltype(field)>::element_type>(object);
        return field != nullptr;
    };
    if (name == "customizeButton")
        return assign(m_customizeButton);
    if (name == "startStopButton")
        return assign(m_startStopButton);
    if (name == "helperView")
        return assign(m_helperView);
    if (name == "infopageView")
        return assign(m_infopageView);
    if (name == "backgroundColor")
        return assign(m_backgroundColor);
    if (name == "choosenColor")
        return assign(m_choosenColor);
    if (name == "description")
        return assign(m_description);
    if (name == "intervalSlider")
        return assign(m_intervalSlider);
    if (name == "intervalValue")
        return assign(m_intervalValue);
    // The controls that step aside in a full-screen test.
    if (name == "bannerArea") {
        m_chrome->setBannerArea(std::dynamic_pointer_cast<View>(object));
        return object != nullptr;
    }
    if (name == "mainToolbar") {
        m_chrome->setToolbar(std::dynamic_pointer_cast<View>(object));
        return object != nullptr;
    }
    if (name == "bannerHost") {
        // Another kind of banner host (an interface without ads) leaves the
        // chrome to hide the banner's area itself.
        m_chrome->setBannerHost(std::dynamic_pointer_cast<AdViewController>(object));
        return object != nullptr;
    }
    return ViewController::setOutlet(name, object);
}

bool vcVantrel::performAction(const std::string& action, Responder*)
{
    static const std::pair<const char*, void (vcVantrel::*)()> actions[] = {
        { "startStop", &vcVantrel::startStop },
        { "customize", &vcVantrel::customize },
        { "changeBackground", &vcVantrel::changeBackground },
        { "changeInterval", &vcVantrel::changeInterval },
        { "showInfopage", &vcVantrel::showInfopage },
        { "hideInfopage", &vcVantrel::hideInfopage },
        { "donate", &vcVantrel::donate },
        { "changeMode", &vcVantrel::changeMode },
        { "changeFlash", &vcVantrel::changeFlash },
        { "showFill", &vcVantrel::showFill },
        { "showPatterns", &vcVantrel::showPatterns },
    };
    for (auto& [name, method] : actions) {
        if (action == name) {
            (this->*method)();
            return true;
        }
    }
    return false;
}

void vcVantrel::viewDidLoad()
{
    // The warning goes up first and is not waited for; the alert keeps itself
    // on screen until it is dismissed.
    auto warning = View::make<AlertView>(kWarningTitle, kWarningMessage,
        std::static_pointer_cast<AlertViewDelegate>(std::dynamic_pointer_cast<vcVantrel>(shared_from_this())),
        std::string(kWarningButton));
    // Read and answered on purpose: Escape does not wave it away.
    warning->setCancelsOnEscape(false);
    warning->show();
    m_warningVisible = true;

    m_interval = 1.0f;
    m_pixelIsWhite = true;
    if (m_intervalValue)
        m_intervalValue->setText(intervalText(m_interval));

    m_square = View::make<ImageView>(Rect { 1, 1, 50, 50 });
    m_square->setUserInteractionEnabled(true);
    m_square->setMultipleTouchEnabled(true);
    m_squareBorder = View::make<ImageView>(Rect { 99, 99, 52, 52 });
    m_squareBorder->setUserInteractionEnabled(true);
    m_squareBorder->setMultipleTouchEnabled(true);
    m_square->setBackgroundColor(Color::whiteColor());
    m_squareBorder->setBackgroundColor(Color::black());

    auto screen = view();
    screen->addSubview(m_squareBorder);
    m_squareBorder->addSubview(m_square);
    if (m_helperView) {
        screen->addSubview(m_helperView);
        m_helperView->setAutoresizingMask(AutoresizingFlexibleTopMargin);
    }
    if (m_infopageView)
        screen->addSubview(m_infopageView);
    layoutForScreen();
    restoreSquare();
    m_defects = std::make_unique<DefectMarker>(*screen);
    m_exerciser = std::make_shared<StuckPixelExerciser>(*screen, *m_square);

    ViewController::viewDidLoad();

    // A scheduled timer keeps its target: the screen lives as long as its timers.
    auto self = std::static_pointer_cast<vcVantrel>(shared_from_this());
    m_tickStart = RunLoop::main().now();
    m_ticksCounted = 0;
    scheduleNextChange();
    Timer::scheduledTimer(1.0, true, [self](Timer&) { self->beat(); });
}

void vcVantrel::didReceiveMemoryWarning()
{
    ViewController::didReceiveMemoryWarning();
}

void vcVantrel::counter()
{
    if (!m_isOn)
        return;
    // Each tick adds 0.01 however late it fires; the sum is kept in single
    // precision, which is why the change comes on the 101st tick, not the 100th.
    m_time = static_cast<float>(static_cast<double>(m_time) + 0.01);
    if (m_time > m_interval) {
        m_time = 0;
        if (m_choosenColor && m_choosenColor->selectedSegmentIndex() == 3)
            m_square->setBackgroundColor(generateRandomColor());
        else if (m_pixelIsWhite)
            m_square->setBackgroundColor(generateColor());
        else
            m_square->setBackgroundColor(Color::whiteColor());
        m_pixelIsWhite = !m_pixelIsWhite;
    }
}

// The counter ticks every hundredth of a second, on the schedule a repeating
// timer keeps (start + n × 0.01 s), but the process wakes only for the tick
// that changes the colour: the ticks in between are counted when they matter
// (that tick, a start or stop, a new interval). A hundred wake-ups a second
// for a sum that nobody sees would be most of what a running test costs.
uint64_t vcVantrel::ticksDue() const
{
    double elapsed = RunLoop::main().now() - m_tickStart;
    // The tolerance keeps a tick that is due now from being missed by a rounding.
    return elapsed > 0 ? static_cast<uint64_t>(std::floor(elapsed / kTick + 1e-6)) : 0;
}

void vcVantrel::countTicks()
{
    uint64_t due = ticksDue();
    // Stopped, the ticks go by uncounted. Ticks overdue after a change (the
    // loop was held up) are dropped, as a late timer's missed firings are: no
    // burst of changes to catch up.
    for (bool wasWhite = m_pixelIsWhite; m_isOn && m_ticksCounted < due && m_pixelIsWhite == wasWhite; ++m_ticksCounted)
        counter();
    m_ticksCounted = std::max(m_ticksCounted, due);
}

void vcVantrel::scheduleNextChange()
{
    if (auto timer = m_changeTimer.lock())
        timer->invalidate();
    if (!m_isOn)
        return;
    // The sum as the counter will keep it, tick by tick, until it passes the interval.
    float sum = m_time;
    uint64_t ticks = 0;
    do {
        sum = static_cast<float>(static_cast<double>(sum) + kTick);
        ++ticks;
    } while (!(sum > m_interval) && ticks < kMaxTicksToChange);
    double when = m_tickStart + static_cast<double>(m_ticksCounted + ticks) * kTick;
    auto self = std::static_pointer_cast<vcVantrel>(shared_from_this());
    m_changeTimer = Timer::scheduledTimer(std::max(0.0, when - RunLoop::main().now()), false, [self](Timer&) {
        self->countTicks();
        self->scheduleNextChange();
    });
}

float vcVantrel::time() const
{
    // The sum with the ticks not counted yet; none of them changes the colour
    // (the change timer would have counted them).
    float sum = m_time;
    for (uint64_t tick = m_ticksCounted, due = m_isOn ? ticksDue() : 0; tick < due; ++tick)
        sum = static_cast<float>(static_cast<double>(sum) + kTick);
    return sum;
}

void vcVantrel::beat()
{
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    // Less motion: the square flashes but does not pulse.
    if (m_isOn && !Application::shared().isReduceMotionEnabled()) {
        m_beatUp = !m_beatUp;
        m_squareBorder->setTransform(
            m_beatUp ? AffineTransform::makeScale(1.5, 1.5) : AffineTransform::makeScale(0.8, 0.8));
    } else {
        m_squareBorder->setTransform(AffineTransform::makeScale(1.0, 1.0));
    }
    View::commitAnimations();
}

std::optional<Color> vcVantrel::generateColor()
{
    switch (m_choosenColor ? m_choosenColor->selectedSegmentIndex() : -1) {
    case 0:
        return Color::redColor();
    case 1:
        return Color::greenColor();
    case 2:
        return Color::blueColor();
    case 3:
        return generateRandomColor();
    default:
        return std::nullopt;
    }
}

Color vcVantrel::generateRandomColor()
{
    float red = static_cast<float>(m_random() & 0xFF) / 255.0f;
    float green = static_cast<float>(m_random() & 0xFF) / 255.0f;
    float blue = static_cast<float>(m_random() & 0xFF) / 255.0f;
    return Color::rgba(red, green, blue, 1.0);
}

void vcVantrel::startStop()
{
    countTicks();
    m_isOn = !m_isOn;
    scheduleNextChange();
    if (m_startStopButton)
        m_startStopButton->setTitle(m_isOn ? "Stop" : "Start");
    // Nobody is at the keyboard while watching the square.
    Application::shared().setIdleTimerDisabled(m_isOn);
    m_chrome->setTestRunning(m_isOn);
}

void vcVantrel::customize()
{
    m_customizeVisible = !m_customizeVisible;
    if (m_customizeButton)
        m_customizeButton->setTitle(m_customizeVisible ? "Hide" : "Customize");
    m_panelPlace = m_customizeVisible ? PanelPlace::Shown : PanelPlace::Left;
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    layoutForScreen();
    View::commitAnimations();
}

void vcVantrel::changeBackground()
{
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    switch (m_backgroundColor ? m_backgroundColor->selectedSegmentIndex() : -1) {
    case 0:
        view()->setBackgroundColor(Color::black());
        break;
    case 1:
        view()->setBackgroundColor(Color::whiteColor());
        break;
    default:
        break;
    }
    View::commitAnimations();
}

void vcVantrel::changeInterval()
{
    countTicks();
    if (m_intervalSlider)
        m_interval = -static_cast<float>(m_intervalSlider->value());
    scheduleNextChange();
    if (m_intervalValue)
        m_intervalValue->setText(intervalText(m_interval));
}

std::string vcVantrel::intervalText(double seconds)
{
    // The slider keeps the interval above zero; a stray value must not divide by it.
    seconds = std::max(seconds, 0.01);
    double rate = 1.0 / seconds;
    // Whole changes from ten a second up, tenths from one, hundredths below,
    // without trailing zeros: "20", "3.3", "0.33", "1".
    char number[32];
    std::snprintf(number, sizeof number, rate >= 9.95 ? "%.0f" : rate >= 0.995 ? "%.1f" : "%.2f", rate);
    std::string count = number;
    if (count.find('.') != std::string::npos) {
        count.erase(count.find_last_not_of('0') + 1);
        if (count.back() == '.')
            count.pop_back();
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s · %s %s/s", seconds, count.c_str(), count == "1" ? "change" : "changes");
    return text;
}

void vcVantrel::showInfopage()
{
    if (!m_description || !m_infopageView)
        return;
    m_description->setCenter({ 150, 220 });
    m_infopageView->addSubview(m_description);
    m_infopageShown = true;
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    layoutForScreen();
    View::commitAnimations();
}

void vcVantrel::hideInfopage()
{
    m_infopageShown = false;
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    layoutForScreen();
    View::commitAnimations();
}

void vcVantrel::donate()
{
    Application::shared().openURL(kDonationURL);
}

void vcVantrel::touchesMoved(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !m_square || touch->view() != m_square)
        return;
    m_squareBorder->setCenter(touch->locationInView(view().get()));
    placeSquareInfo();
}

void vcVantrel::layoutForScreen()
{
    // The panel and the information page keep their places relative to the
    // screen's edges, so the 320 × 480 layout is the same as ever and a bigger
    // screen has the panel above the toolbar and the page over everything.
    Size size = view()->bounds().size;
    if (m_helperView) {
        double x = m_panelPlace == PanelPlace::Shown ? 160 : m_panelPlace == PanelPlace::Left ? -160 : size.width + 160;
        m_helperView->setCenter({ x, size.height - 130 });
    }
    if (m_infopageView) {
        m_infopageView->setBounds({ 0, 0, size.width, size.height });
        m_infopageView->setCenter({ size.width / 2, m_infopageShown ? size.height / 2 : size.height * 1.5 });
    }
    if (m_keyHelp)
        m_keyHelp->setCenter({ std::round(size.width / 2), std::round(size.height / 2) });
}

void vcVantrel::viewDidChangeSize(Size)
{
    layoutForScreen();
    if (m_defects)
        m_defects->screenDidChange();
    // The square stays on screen however the screen shrinks.
    if (m_squareBorder) {
        Size size = view()->bounds().size;
        Point center = m_squareBorder->center();
        m_squareBorder->setCenter({ std::clamp(center.x, 0.0, size.width), std::clamp(center.y, 0.0, size.height) });
    }
    updateSquareInfo();
}

void vcVantrel::alertViewDidDismissWithButtonIndex(AlertView&, int)
{
    m_warningVisible = false;
}

void vcVantrel::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    // While marking, a tap only places the marking cursor.
    if (touch && m_defects && m_defects->tapAt(touch->locationInView(view().get())))
        return;
    // A double tap on the background switches full screen, as a double click
    // on a video does.
    if (touch && touch->view() == view() && touch->tapCount() == 2)
        toggleFullScreen();
    if (touch && m_fillView && touch->view() == m_fillView) {
        hideFill();
        return;
    }
    if (touch && m_square && touch->view() == m_square) {
        updateSquareInfo();
        rememberSquare();
    }
}

bool vcVantrel::secondaryClick(Point screenLocation)
{
    if (!m_defects || m_warningVisible)
        return false;
    Window* window = view()->window();
    Point inWindow = window ? window->convertPointFromScreen(screenLocation) : screenLocation;
    m_defects->showContextMenu(view()->convertPoint(inWindow, nullptr));
    return true;
}

void vcVantrel::toggleFullScreen()
{
    Application::shared().setFullScreen(!Application::shared().isFullScreen());
}

void vcVantrel::setSquareSize(double points)
{
    m_squareSize = std::clamp(points, kMinimumSquareSize, kMaximumSquareSize);
    if (!m_square || !m_squareBorder)
        return;
    // Bounds and centre, not frame: the frame may be pulsing.
    Point center = m_squareBorder->center();
    m_squareBorder->setBounds({ 0, 0, m_squareSize + 2, m_squareSize + 2 });
    m_squareBorder->setCenter(center);
    m_square->setFrame({ 1, 1, m_squareSize, m_squareSize });
    updateSquareInfo();
}

void vcVantrel::nudgeSquare(int dx, int dy)
{
    if (!m_squareBorder)
        return;
    double pixel = 1.0 / Screen::mainScreen().scale();
    Size size = view()->bounds().size;
    Point center = m_squareBorder->center();
    // Whole pixels from wherever the square is, kept on screen.
    m_squareBorder->setCenter(
        { std::clamp(center.x + dx * pixel, 0.0, size.width), std::clamp(center.y + dy * pixel, 0.0, size.height) });
    updateSquareInfo();
    rememberSquare();
}

void vcVantrel::placeSquareAtPixel(Point pixel)
{
    if (!m_squareBorder)
        return;
    double scale = Screen::mainScreen().scale();
    Size size = view()->bounds().size;
    Point center { pixel.x / scale + m_squareSize / 2, pixel.y / scale + m_squareSize / 2 };
    m_squareBorder->setCenter({ std::clamp(center.x, 0.0, size.width), std::clamp(center.y, 0.0, size.height) });
    updateSquareInfo();
}

void vcVantrel::restoreSquare()
{
    auto settings = VantrelSettings::load();
    if (settings.squareSize)
        setSquareSize(*settings.squareSize);
    if (settings.squarePixelPosition)
        placeSquareAtPixel(*settings.squarePixelPosition);
}

void vcVantrel::rememberSquare()
{
    VantrelSettings settings;
    settings.squarePixelPosition = squarePixelPosition();
    settings.squareSize = m_squareSize;
    // A settings file that cannot be written costs only the next start's position.
    settings.save();
}

Point vcVantrel::squarePixelPosition() const
{
    if (!m_squareBorder)
        return {};
    double scale = Screen::mainScreen().scale();
    Point center = m_squareBorder->center();
    return { std::round((center.x - m_squareSize / 2) * scale), std::round((center.y - m_squareSize / 2) * scale) };
}

std::string vcVantrel::squareInfoText() const
{
    Point at = squarePixelPosition();
    long size = std::lround(m_squareSize * Screen::mainScreen().scale());
    char text[96];
    std::snprintf(text, sizeof text, "x %ld  y %ld  ·  %ld × %ld px", std::lround(at.x), std::lround(at.y), size, size);
    return text;
}

void vcVantrel::updateSquareInfo()
{
    if (!m_squareInfo)
        return;
    m_squareInfo->setText(squareInfoText());
    placeSquareInfo();
}

Rect vcVantrel::squareInfoFrame()
{
    if (!m_squareInfo || !m_squareBorder)
        return {};
    constexpr double kWidth = 200, kHeight = 20, kMargin = 4;
    // Clear of the banner's and the toolbar's places, whether they show or not.
    constexpr double kTop = 48, kBottom = 44;
    Size size = view()->bounds().size;
    double width = std::min(kWidth, size.width);
    double top = kTop + kMargin;
    double bottom = std::max(top, size.height - kBottom - kMargin - kHeight);
    // The square as large as its pulse makes it.
    Point center = m_squareBorder->center();
    double half = m_squareBorder->bounds().width() * 1.5 / 2;
    Rect square { center.x - half, center.y - half, 2 * half, 2 * half };
    Rect best;
    double bestDistance = -1;
    for (Rect corner : { Rect { size.width - width, top, width, kHeight }, Rect { 0, top, width, kHeight },
             Rect { size.width - width, bottom, width, kHeight }, Rect { 0, bottom, width, kHeight } }) {
        if (corner.intersects(square))
            continue;
        // The corner farthest from the square, so a small move does not make it jump.
        double dx = corner.center().x - center.x, dy = corner.center().y - center.y;
        if (double distance = dx * dx + dy * dy; distance > bestDistance) {
            best = corner;
            bestDistance = distance;
        }
    }
    return best;
}

void vcVantrel::placeSquareInfo()
{
    if (!m_squareInfo)
        return;
    // Never over the square: with no corner clear of it, the strip waits.
    Rect frame = squareInfoFrame();
    m_squareInfo->setHidden(frame.isEmpty());
    if (!frame.isEmpty())
        m_squareInfo->setFrame(frame);
}

void vcVantrel::toggleSquareInfo()
{
    if (m_squareInfo) {
        m_squareInfo->removeFromSuperview();
        m_squareInfo = nullptr;
        return;
    }
    m_squareInfo = View::make<Label>();
    m_squareInfo->setBackgroundColor(Color::black().withAlpha(0.6));
    m_squareInfo->setTextColor(Color::whiteColor());
    m_squareInfo->setFont(Font::systemFont(13));
    m_squareInfo->setTextAlignment(TextAlignment::Center);
    m_squareInfo->setUserInteractionEnabled(false);
    // Under the panel and the information page, which it must not cover.
    if (m_helperView && m_helperView->superview() == view().get())
        view()->insertSubviewBelow(m_squareInfo, m_helperView.get());
    else
        view()->addSubview(m_squareInfo);
    updateSquareInfo();
}

void vcVantrel::toggleKeyHelp()
{
    if (m_keyHelp) {
        m_keyHelp->removeFromSuperview();
        m_keyHelp = nullptr;
        return;
    }
    constexpr double kWidth = 300, kLineHeight = 18, kMargin = 12;
    std::string text = std::string(kKeyHelpText) + "\n" + DefectMarker::kKeyHelpText;
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    double height = lines * kLineHeight + 2 * kMargin + 24;
    m_keyHelp = View::make<View>(Rect { 0, 0, kWidth, height });
    m_keyHelp->setBackgroundColor(Color::rgba(0.12f, 0.12f, 0.14f, 0.95f));
    auto title = View::make<Label>(Rect { kMargin, kMargin - 4, kWidth - 2 * kMargin, 22 });
    title->setText("Keys");
    title->setFont(Font::boldSystemFont(15));
    title->setTextColor(Color::whiteColor());
    m_keyHelp->addSubview(title);
    // Two columns: the key, then what it does.
    double y = kMargin + 22;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t tab = line.find('\t');
        auto key = View::make<Label>(Rect { kMargin, y, 64, kLineHeight });
        key->setText(line.substr(0, tab));
        key->setFont(Font::boldSystemFont(12));
        key->setTextColor(Color::whiteColor());
        auto meaning = View::make<Label>(Rect { kMargin + 66, y, kWidth - 2 * kMargin - 66, kLineHeight });
        meaning->setText(tab == std::string::npos ? std::string() : line.substr(tab + 1));
        meaning->setFont(Font::systemFont(12));
        meaning->setTextColor(Color::rgba(0.85f, 0.85f, 0.85f, 1));
        m_keyHelp->addSubview(key);
        m_keyHelp->addSubview(meaning);
        y += kLineHeight;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    m_keyHelp->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin
        | AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin);
    view()->addSubview(m_keyHelp);
    layoutForScreen();
}

Color vcVantrel::fillColor(int index)
{
    switch (index) {
    case 0:
        return Color::black();
    case 1:
        return Color::whiteColor();
    case 2:
        return Color::redColor();
    case 3:
        return Color::greenColor();
    case 4:
        return Color::blueColor();
    case 5:
        return Color::rgba(0.5f, 0.5f, 0.5f, 1);
    default:
        // The flash colour; a random one is drawn once and kept, so the fill never flashes.
        if (!m_flashFill)
            m_flashFill = generateColor();
        return m_flashFill.value_or(Color::whiteColor());
    }
}

void vcVantrel::showFill()
{
    if (m_fillView)
        return;
    // The test stops: a fill is for looking, and nothing may flash behind it.
    if (m_isOn)
        startStop();
    m_flashFill.reset();
    // Over every control of the screen, banner included; a tap on it comes
    // back here through the responder chain.
    m_fillView = View::make<View>(view()->bounds());
    m_fillView->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    m_fillView->setAccessibilityLabel(std::string("Solid fill"));
    applyFill();
    view()->addSubview(m_fillView);
    if (m_defects)
        m_defects->raise();
}

void vcVantrel::stepFill(int step)
{
    if (!m_fillView)
        return;
    m_fillIndex = ((m_fillIndex + step) % kFillCycleLength + kFillCycleLength) % kFillCycleLength;
    applyFill();
}

static_assert(vcVantrel::kPatternCount == TestPatternView::kPatternCount);

void vcVantrel::showPatterns()
{
    m_fillIndex = kFillCount;
    if (m_fillView)
        applyFill();
    else
        showFill();
}

void vcVantrel::applyFill()
{
    if (m_fillIndex < kFillCount) {
        if (m_patternView)
            m_patternView->removeFromSuperview();
        m_patternView = nullptr;
        m_fillView->setBackgroundColor(fillColor(m_fillIndex));
        return;
    }
    auto pattern = static_cast<TestPatternView::Pattern>(m_fillIndex - kFillCount);
    if (!m_patternView) {
        m_patternView = View::make<TestPatternView>(m_fillView->bounds(), pattern);
        m_fillView->addSubview(m_patternView);
    }
    m_patternView->setPattern(pattern);
}

void vcVantrel::hideFill()
{
    if (!m_fillView)
        return;
    m_fillView->removeFromSuperview();
    m_fillView = nullptr;
    m_patternView = nullptr;
}

void vcVantrel::changeIntervalBy(int steps)
{
    if (!m_intervalSlider)
        return;
    // The slider runs from slow (left) to fast (right); its value is the negated interval.
    m_intervalSlider->setValue(m_intervalSlider->value() + steps * kIntervalStep);
    changeInterval();
    m_intervalToast->show(*view(), intervalText(m_interval));
}

bool vcVantrel::keyPressed(const Key& key)
{
    using Code = Key::Code;
    if (key.code() == Code::Function && key.functionNumber() == 11) {
        toggleFullScreen();
        return true;
    }
    // The warning comes first: until it is understood, only Return (its button) works.
    if (m_warningVisible) {
        if (key.code() != Code::Return)
            return false;
        for (auto& alert : AlertView::visibleAlerts()) {
            if (alert->title() == kWarningTitle)
                alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), true);
        }
        m_warningVisible = false;
        return true;
    }
    if (m_exerciser && m_exerciser->keyPressed(key))
        return true;
    if (m_defects && m_defects->keyPressed(key))
        return true;
    if (m_fillView) {
        // The key help opens over the fill, and Escape closes it before the fill.
        if (key.isCharacter("?") || (m_keyHelp && key.code() == Code::Escape)) {
            toggleKeyHelp();
            return true;
        }
        switch (key.code()) {
        case Code::Space:
        case Code::Right:
        case Code::Down:
            stepFill(1);
            return true;
        case Code::Left:
        case Code::Up:
            stepFill(-1);
            return true;
        case Code::Escape:
            hideFill();
            return true;
        default:
            if (key.isCharacter("f") || key.isCharacter("F")) {
                hideFill();
                return true;
            }
            if (key.isCharacter("p") || key.isCharacter("P")) {
                showPatterns();
                return true;
            }
            return false;
        }
    }
    int step = key.hasModifier(Key::Shift) ? 10 : 1;
    switch (key.code()) {
    case Code::Space:
        startStop();
        return true;
    case Code::Left:
        nudgeSquare(-step, 0);
        return true;
    case Code::Right:
        nudgeSquare(step, 0);
        return true;
    case Code::Up:
        nudgeSquare(0, -step);
        return true;
    case Code::Down:
        nudgeSquare(0, step);
        return true;
    case Code::Escape:
        // One step back at a time: the help, the page, the panel, full screen.
        if (m_keyHelp)
            toggleKeyHelp();
        else if (m_infopageShown)
            hideInfopage();
        else if (m_customizeVisible)
            customize();
        else if (Application::shared().isFullScreen())
            Application::shared().setFullScreen(false);
        else
            return false;
        return true;
    case Code::Character:
        break;
    default:
        return false;
    }
    if (key.hasModifier(Key::Control) || key.hasModifier(Key::Alt))
        return false;
    const std::string& c = key.text();
    if (c == "+" || c == "=") {
        changeIntervalBy(1);
    } else if (c == "-" || c == "_") {
        changeIntervalBy(-1);
    } else if (c == "[") {
        setSquareSize(std::max(kMinimumSquareSize, m_squareSize - (m_squareSize > 10 ? 10 : 1)));
        rememberSquare();
    } else if (c == "]") {
        setSquareSize(m_squareSize + (m_squareSize >= 10 ? 10 : 1));
        rememberSquare();
    } else if (c == "c" || c == "C") {
        customize();
    } else if (c == "f" || c == "F") {
        showFill();
    } else if (c == "p" || c == "P") {
        showPatterns();
    } else if (c == "w" || c == "W") {
        // The exerciser does the flashing; the test's own flashing stops.
        if (m_isOn)
            startStop();
        m_exerciser->offer();
    } else if (c == "i" || c == "I") {
        toggleSquareInfo();
    } else if (c == "m" || c == "M") {
        Application::shared().moveToNextMonitor();
    } else if (c == "?") {
        toggleKeyHelp();
    } else {
        return false;
    }
    return true;
}
