#include "app/VantrelSettings.h"

#include "platform/foundation/Paths.h"
#include "json/JSONDeserializer.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr const char* kSquareX = "squareX";
constexpr const char* kSquareY = "squareY";
constexpr const char* kSquareSize = "squareSize";

std::optional<double> finiteNumber(const JSONValue& dictionary, const char* key, double limit)
{
    auto value = dictionary.find(key);
    if (!value || !value->isNumber() || value->isBoolean())
        return std::nullopt;
    double number = value->numberValue();
    if (!std::isfinite(number) || std::fabs(number) > limit)
        return std::nullopt;
    return number;
}

} // namespace

std::filesystem::path VantrelSettings::defaultPath()
{
    return Paths::dataDirectory() / kFileName;
}

VantrelSettings VantrelSettings::load(const std::filesystem::path& path)
{
    VantrelSettings settings;
    auto text = Paths::readFile(path);
    if (!text)
        return settings;
    JSONError error;
    auto dictionary = JSONDeserializer().deserializeAsDictionary(*text, &error);
    if (!dictionary)
        return settings;
    auto x = finiteNumber(*dictionary, kSquareX, kMaximumPixelCoordinate);
    auto y = finiteNumber(*dictionary, kSquareY, kMaximumPixelCoordinate);
    if (x && y)
        settings.squarePixelPosition = Point { std::round(*x), std::round(*y) };
    if (auto size = finiteNumber(*dictionary, kSquareSize, kMaximumPixelCoordinate); size && *size > 0)
        settings.squareSize = size;
    return settings;
}

bool VantrelSettings::save(const std::filesystem::path& path) const
{
    std::string text = "{";
    auto add = [&](const char* key, double value) {
        char number[64];
        std::snprintf(number, sizeof number, "%.17g", value);
        text += (text.size() > 1 ? ", \"" : "\"") + std::string(key) + "\": " + number;
    };
    if (squarePixelPosition) {
        add(kSquareX, squarePixelPosition->x);
        add(kSquareY, squarePixelPosition->y);
    }
    if (squareSize)
        add(kSquareSize, *squareSize);
    text += "}\n";
    return Paths::createDirectories(path.parent_path()) && Paths::writeFileAtomically(path, text);
}
