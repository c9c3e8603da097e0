#pragma once

#include "platform/ui/controls/AlertViewDelegate.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Rect.h"
#include "platform/ui/views/ViewController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class AdViewController;
class BarButtonItem;
class FeedbackToast;
class FullScreenChrome;
class DefectMarker;
class StuckPixelExerciser;
class TestPatternView;
class ImageView;
class Label;
class Window;
class SegmentedControl;
class Slider;
class TextView;
class Timer;
class View;
struct Color;

// The pixel test screen: a framed test square on a black or white background
// that, while the test runs, changes colour at an adjustable interval (white
// alternating with a chosen colour, or a new random colour each time) and
// pulses in size once a second. The user drags it around to inspect every
// part of the display. A slide-in panel holds the settings, a slide-up page
// the information text, and a donate action opens the maker's page.
//
// On a desktop the screen may be any size; the layout follows it. The whole
// screen is driven from the keyboard too: the square moves by single device
// pixels, solid fills cover the screen for finding dead pixels, and a key
// help lists the keys.
class vcVantrel final : public ViewController, public AlertViewDelegate {
public:
    static constexpr const char* kDonationURL
        = "https://donate.vantrel.example/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=V4NTR3LPX7Q2C";
    static constexpr const char* kWarningTitle = "Epilepsy warning";
    static constexpr const char* kWarningMessage
        = "This application uses rapid color changes. If anybody in your family has ever suffered from seizures or "
          "epilepsy, please be careful. If you are unsure we advise to consult a doctor first.";
    static constexpr const char* kWarningButton = "I understood";

    static constexpr double kDefaultSquareSize = 50;
    static constexpr double kMinimumSquareSize = 1;
    static constexpr double kMaximumSquareSize = 1000;
    // One press of + or - moves the interval slider this far (seconds).
    static constexpr double kIntervalStep = 0.1;
    // The solid fills, in the order Space and the arrow keys step through;
    // the last is the flash colour chosen in the panel.
    static constexpr int kFillCount = 7;
    // The still test patterns follow the fills in the same cycle.
    static constexpr int kPatternCount = 10;
    static constexpr int kFillCycleLength = kFillCount + kPatternCount;
    static constexpr const char* kKeyHelpText = "Space\tstart or stop the test\n"
                                                "Arrows\tmove the square one pixel (Shift: ten)\n"
                                                "[  ]\tsmaller or bigger square\n"
                                                "+  -\tfaster or slower flashing\n"
                                                "F\tsolid fills (Space, arrows: next colour)\n"
                                                "P\ttest patterns (in the same cycle)\n"
                                                "W\tstuck-pixel exerciser (asks first)\n"
                                                "I\tshow the square's position\n"
                                                "C\tcustomize\n"
                                                "F11\tfull screen (or double-click)\n"
                                                "M\tnext monitor\n"
                                                "Escape\tback, leave full screen\n"
                                                "?\tthis help\n"
                                                "Ctrl+Q\tquit";

    explicit vcVantrel(std::string interfaceName = "MainView");
    ~vcVantrel() override;

    // The random source behind random colours: 32 bits a call.
    using RandomSource = std::function<uint32_t()>;
    void setRandomSource(RandomSource source) { m_random = std::move(source); }

    // Platform callbacks
    void viewDidLoad() override;
    void didReceiveMemoryWarning() override;
    void touchesMoved(const TouchSet&, const Event&) override;
    bool setOutlet(const std::string& name, const std::shared_ptr<Responder>& object) override;
    bool performAction(const std::string& action, Responder* sender) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    bool keyPressed(const Key&) override;
    bool secondaryClick(Point screenLocation) override;
    void viewDidChangeSize(Size oldSize) override;

    // AlertViewDelegate
    void alertViewDidDismissWithButtonIndex(AlertView&, int) override;

    // The square's size in points (of the inner square, without its frame).
    double squareSize() const { return m_squareSize; }
    void setSquareSize(double points);
    // Moves the square by whole device pixels.
    void nudgeSquare(int dx, int dy);
    // Puts the inside's top-left corner on a device pixel, kept on screen.
    void placeSquareAtPixel(Point);
    // The inner square's top-left corner in device pixels.
    Point squarePixelPosition() const;
    std::string squareInfoText() const;
    bool squareInfoVisible() const { return m_squareInfo != nullptr; }
    void toggleSquareInfo();
    bool keyHelpVisible() const { return m_keyHelp != nullptr; }
    const std::shared_ptr<View>& keyHelpView() const { return m_keyHelp; }
    void toggleKeyHelp();

    // Solid fills
    bool isFilling() const { return m_fillView != nullptr; }
    int fillIndex() const { return m_fillIndex; }
    Color fillColor(int index);
    void showFill();
    // The fill cycle at its first test pattern.
    void showPatterns();
    void stepFill(int step);
    void hideFill();
    const std::shared_ptr<View>& fillView() const { return m_fillView; }

    // Marking faulty pixels, in every mode of the screen.
    DefectMarker* defectMarker() const { return m_defects.get(); }
    const std::shared_ptr<StuckPixelExerciser>& exerciser() const { return m_exerciser; }

    // One slider step faster (positive) or slower; the new interval shows
    // for a moment.
    void changeIntervalBy(int steps);
    // "0.50 s · 2 changes/s": the interval and how often the square changes.
    static std::string intervalText(double seconds);
    const FeedbackToast& intervalToast() const { return *m_intervalToast; }
    // In full screen while the test runs, banner and toolbar step aside.
    const std::shared_ptr<FullScreenChrome>& chrome() const { return m_chrome; }
    // The position strip's frame, in a corner clear of the square; empty
    // while it is off or no corner is clear.
    Rect squareInfoFrame();
    void toggleFullScreen();
    bool warningVisible() const { return m_warningVisible; }

    // Timers. counter() is one tick of the flashing's hundredth-of-a-second count.
    void counter();
    void beat();

    // Helpers
    std::optional<Color> generateColor();
    Color generateRandomColor();

    // Actions
    void startStop();
    void customize();
    void changeBackground();
    void changeInterval();
    void showInfopage();
    void hideInfopage();
    void donate();
    void changeMode() { }
    void changeFlash() { }

    // State, for the hosts' tests.
    float time() const;
    float interval() const { return m_interval; }
    bool beatUp() const { return m_beatUp; }
    bool isOn() const { return m_isOn; }
    bool customizeVisible() const { return m_customizeVisible; }
    bool pixelIsWhite() const { return m_pixelIsWhite; }
    const std::shared_ptr<ImageView>& square() const { return m_square; }
    const std::shared_ptr<ImageView>& squareBorder() const { return m_squareBorder; }
    const std::shared_ptr<View>& helperView() const { return m_helperView; }
    const std::shared_ptr<View>& infopageView() const { return m_infopageView; }
    const std::shared_ptr<BarButtonItem>& startStopButton() const { return m_startStopButton; }
    const std::shared_ptr<BarButtonItem>& customizeButton() const { return m_customizeButton; }
    const std::shared_ptr<SegmentedControl>& backgroundColorControl() const { return m_backgroundColor; }
    const std::shared_ptr<SegmentedControl>& choosenColor() const { return m_choosenColor; }
    const std::shared_ptr<TextView>& descriptionView() const { return m_description; }
    const std::shared_ptr<Slider>& intervalSlider() const { return m_intervalSlider; }

private:
    std::shared_ptr<ImageView> m_square;
    std::shared_ptr<ImageView> m_squareBorder;
    std::shared_ptr<BarButtonItem> m_customizeButton;
    std::shared_ptr<BarButtonItem> m_startStopButton;
    std::shared_ptr<View> m_helperView;
    std::shared_ptr<View> m_infopageView;
    std::shared_ptr<SegmentedControl> m_backgroundColor;
    std::shared_ptr<SegmentedControl> m_choosenColor;
    static constexpr double kTick = 0.01;
    // An interval the sum never passes still wakes the counter this often (ticks).
    static constexpr uint64_t kMaxTicksToChange = 100000;
    uint64_t ticksDue() const;
    void countTicks();
    void scheduleNextChange();
    std::weak_ptr<Timer> m_changeTimer; // the run loop owns it
    double m_tickStart { 0 }; // the counter's schedule: ticks at m_tickStart + n × kTick
    uint64_t m_ticksCounted { 0 };
    float m_time { 0 };
    std::shared_ptr<TextView> m_description;
    std::shared_ptr<Slider> m_intervalSlider;
    float m_interval { 0 };
    bool m_beatUp { false };
    bool m_isOn { false };
    bool m_customizeVisible { false };
    bool m_pixelIsWhite { false };
    RandomSource m_random;

    void layoutForScreen();
    void updateSquareInfo();
    void placeSquareInfo();
    // The square's place and size come back from the settings and go into
    // them whenever the user changes them.
    void restoreSquare();
    void rememberSquare();

    enum class PanelPlace { Right, Shown, Left };
    PanelPlace m_panelPlace { PanelPlace::Right };
    bool m_infopageShown { false };
    bool m_warningVisible { false };
    double m_squareSize { kDefaultSquareSize };
    std::shared_ptr<View> m_fillView;
    int m_fillIndex { 0 };
    std::optional<Color> m_flashFill; // a random flash colour, chosen once per fill
    std::shared_ptr<Label> m_squareInfo;
    std::shared_ptr<View> m_keyHelp;
    std::shared_ptr<Label> m_intervalValue;
    std::unique_ptr<FeedbackToast> m_intervalToast;
    std::shared_ptr<FullScreenChrome> m_chrome;
    std::unique_ptr<DefectMarker> m_defects;
    std::shared_ptr<TestPatternView> m_patternView; // on the fill view while a pattern shows
    std::shared_ptr<StuckPixelExerciser> m_exerciser;
    void applyFill();
};
