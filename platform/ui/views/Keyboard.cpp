#include "platform/ui/views/Keyboard.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <array>
#include <string>

namespace {

// Above the application's windows (modal screens included), below the status
// bar and alerts, as the phone's keyboard sits.
constexpr double kKeyboardWindowLevel = 500;

// A picture of the phone's keyboard: key caps on a grey ground. It only
// covers the screen; typing comes from the host.
class OnScreenKeyboardView final : public View {
public:
    explicit OnScreenKeyboardView(const Rect& frame)
        : View(frame)
    {
        setOpaque(true);
        setNeedsDisplay();
    }

    void drawRect(const Rect&) override
    {
        auto* context = GraphicsContext::current();
        if (!context)
            return;
        Rect area = bounds();
        context->drawLinearGradient({ { 0.80, 0.81, 0.84, 1 }, { 0.64, 0.66, 0.70, 1 } }, { 0, 1 }, { 0, 0 },
            { 0, area.height() }, false, false);
        static const std::array<std::string, 3> rows { "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM" };
        double keyWidth = area.width() / 10;
        double rowHeight = area.height() / 4;
        Font font = Font::fontWithName("Helvetica", 18);
        for (size_t row = 0; row < rows.size(); ++row) {
            const std::string& letters = rows[row];
            double start = (area.width() - keyWidth * static_cast<double>(letters.size())) * 0.5;
            for (size_t i = 0; i < letters.size(); ++i) {
                Rect key { start + keyWidth * static_cast<double>(i) + 2, rowHeight * static_cast<double>(row) + 6,
                    keyWidth - 4, rowHeight - 12 };
                drawKey(*context, key, std::string(1, letters[i]), font);
            }
        }
        double bottom = rowHeight * 3 + 6;
        drawKey(*context, { 2, bottom, keyWidth * 2 - 4, rowHeight - 12 }, "123", font.withSize(14));
        drawKey(*context, { keyWidth * 2 + 2, bottom, keyWidth * 5.5 - 4, rowHeight - 12 }, "space", font.withSize(14));
        drawKey(
            *context, { keyWidth * 7.5 + 2, bottom, keyWidth * 2.5 - 4, rowHeight - 12 }, "Search", font.withSize(14));
    }

private:
    static void drawKey(GraphicsContext& context, const Rect& key, const std::string& title, const Font& font)
    {
        double radius = 5;
        context.beginPath();
        context.moveTo(key.minX() + radius, key.minY());
        context.addArcToPoint(key.maxX(), key.minY(), key.maxX(), key.maxY(), radius);
        context.addArcToPoint(key.maxX(), key.maxY(), key.minX(), key.maxY(), radius);
        context.addArcToPoint(key.minX(), key.maxY(), key.minX(), key.minY(), radius);
        context.addArcToPoint(key.minX(), key.minY(), key.maxX(), key.minY(), radius);
        context.closePath();
        context.setFillColor({ 0.98, 0.98, 0.98, 1 });
        context.fillPath();
        context.setFillColor({ 0.1, 0.1, 0.1, 1 });
        Size size = font.sizeWithText(title);
        context.drawText(title, { key.midX() - size.width * 0.5, key.midY() - size.height * 0.5 }, font);
    }
};

} // namespace

Keyboard& Keyboard::shared()
{
    static Keyboard keyboard;
    return keyboard;
}

void Keyboard::setOnScreenHeight(double height)
{
    m_onScreenHeight = height > 0 ? height : 0;
}

Rect Keyboard::bounds() const
{
    if (m_onScreenHeight <= 0)
        return {};
    return { 0, 0, Screen::mainScreen().bounds().width(), m_onScreenHeight };
}

Rect Keyboard::frame() const
{
    Rect screen = Screen::mainScreen().bounds();
    Rect own = bounds();
    return { 0, screen.height() - own.height(), own.width(), own.height() };
}

void Keyboard::show()
{
    if (m_visible)
        return;
    m_visible = true;
    if (m_onScreenHeight > 0) {
        m_window = View::make<Window>(frame());
        m_window->setWindowLevel(kKeyboardWindowLevel);
        auto view = View::make<OnScreenKeyboardView>(Rect { { 0, 0 }, frame().size });
        m_window->addSubview(view);
        m_window->setHidden(false);
        Application::shared().addWindow(m_window);
    }
    NotificationCenter::defaultCenter().postNotification(
        Notification { kDidShowNotification, this, { { kBoundsUserInfoKey, bounds() } } });
}

void Keyboard::hide()
{
    if (!m_visible)
        return;
    NotificationCenter::defaultCenter().postNotification(
        Notification { kWillHideNotification, this, { { kBoundsUserInfoKey, bounds() } } });
    m_visible = false;
    if (m_window) {
        m_window->setHidden(true);
        m_window.reset();
        Application::shared().setNeedsDisplay();
    }
}

void Keyboard::reset()
{
    m_visible = false;
    m_window.reset();
    m_onScreenHeight = 0;
}
