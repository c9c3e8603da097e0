#include "app/VantrelSettings.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "json/JSONDeserializer.h"

#include <atomic>
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
    std::error_code missing;
    if (!std::filesystem::exists(path, missing))
        return settings;
    // A few numbers: anything long is not a settings file of ours.
    auto text = Paths::readFile(path, kMaximumFileSize);
    JSONError error;
    auto dictionary = text ? JSONDeserializer().deserializeAsDictionary(*text, &error) : std::nullopt;
    if (!dictionary) {
        // Cut short, not JSON, too large or too deep: the app starts with
        // the defaults, and the file is kept aside so that the next save
        // writes a good one.
        if (Paths::setAsideBadFile(path))
            Log::write("Settings could not be read; they were moved aside to " + path.filename().string()
                + ".bad and the defaults are used");
        return settings;
    }
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
    if (Paths::createDirectories(path.parent_path()) && Paths::writeFileAtomically(path, text))
        return true;
    // The file as it was stays in place. Saved on every change of the
    // square, so one line says it, not one per change.
    static std::atomic<bool> logged { false };
    if (!logged.exchange(true))
        Log::write("Settings could not be saved to " + path.filename().string() + "; the previous file is kept");
    return false;
}
