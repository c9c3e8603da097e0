#include "app/vcVantrel.h"

#include "platform/foundation/Timer.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"

#include <glib.h>

vcVantrel::vcVantrel(std::string interfaceName)
    : ViewController(std::move(interfaceName))
    , m_random([] { return static_cast<uint32_t>(g_random_int()); })
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
    warning->show();

    m_interval = 1.0f;
    m_pixelIsWhite = true;

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
        m_helperView->setCenter({ 480, 350 });
    }
    if (m_infopageView) {
        screen->addSubview(m_infopageView);
        m_infopageView->setCenter({ 160, 720 });
    }

    ViewController::viewDidLoad();

    // A scheduled timer keeps its target: the screen lives as long as its timers.
    auto self = std::static_pointer_cast<vcVantrel>(shared_from_this());
    m_timer = Timer::scheduledTimer(0.01, true, [self](Timer&) { self->counter(); });
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

void vcVantrel::beat()
{
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    if (m_isOn) {
        m_beatUp = !m_beatUp;
        m_squareBorder->setTransform(m_beatUp ? AffineTransform::makeScale(1.5, 1.5) : AffineTransform::makeScale(0.8, 0.8));
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
    m_isOn = !m_isOn;
    if (m_startStopButton)
        m_startStopButton->setTitle(m_isOn ? "Stop" : "Start");
}

void vcVantrel::customize()
{
    m_customizeVisible = !m_customizeVisible;
    if (m_customizeButton)
        m_customizeButton->setTitle(m_customizeVisible ? "Hide" : "Customize");
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    if (m_helperView)
        m_helperView->setCenter(m_customizeVisible ? Point { 160, 350 } : Point { -160, 350 });
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
    if (m_intervalSlider)
        m_interval = -static_cast<float>(m_intervalSlider->value());
}

void vcVantrel::showInfopage()
{
    if (!m_description || !m_infopageView)
        return;
    m_description->setCenter({ 150, 220 });
    m_infopageView->addSubview(m_description);
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    m_infopageView->setCenter({ 160, 240 });
    View::commitAnimations();
}

void vcVantrel::hideInfopage()
{
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    if (m_infopageView)
        m_infopageView->setCenter({ 160, 720 });
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
}
