#include "ads/core/PellarAppData.h"

#include "platform/foundation/Device.h"
#include "platform/foundation/UserDefaults.h"

#include <algorithm>

PellarAppData::PellarAppData()
    : PellarAppData(Bundle::mainBundle())
{
}

PellarAppData::PellarAppData(const Bundle& bundle)
    : m_bundleDisplayName(bundle.objectForInfoDictionaryKey(Bundle::kDisplayNameKey))
    , m_bundleName(bundle.objectForInfoDictionaryKey(Bundle::kNameKey))
    , m_bundleIdentifier(bundle.objectForInfoDictionaryKey(Bundle::kIdentifierKey))
{
}

std::string PellarAppData::userAgentWith(const std::string& model, const std::string& systemName,
    const std::string& systemVersion, const std::string& machine, const std::optional<std::string>& locale)
{
    std::string version = systemVersion;
    std::replace(version.begin(), version.end(), '.', '_');
    std::string localeText = locale ? *locale : "(null)";
    std::transform(localeText.begin(), localeText.end(), localeText.begin(),
        [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c); });
    return "Mozilla/5.0 (" + model + "; U; CPU " + systemName + " " + version + " like Mac OS X; HW " + machine + "; "
        + localeText + ") AppleWebKit/525.18.1 (KHTML, like Gecko) (Pellar-SDK-" + kSDKVersion + ")";
}

std::string PellarAppData::currentUserAgent()
{
    const Device& device = Device::currentDevice();
    return userAgentWith(device.model(), device.systemName(), device.systemVersion(), device.machine(),
        UserDefaults::standardUserDefaults().stringForKey(UserDefaults::kLocaleKey));
}

std::optional<std::string> PellarAppData::deviceUniqueIdentifier()
{
    auto appId = Bundle::mainBundle().bundleIdentifier();
    return Device::currentDevice().uniqueIdentifier(appId ? *appId : std::string("Pellar"));
}
