#pragma once

#include "platform/foundation/Bundle.h"
#include "platform/foundation/SharedInstance.h"

#include <optional>
#include <string>

// What the library tells the ad service about the application and the device
// beyond the host's own settings: the application's three bundle names (read
// once, when the shared instance is made), the user agent every download
// sends, and the device's identifier.
class PellarAppData final {
public:
    static constexpr const char* kSDKVersion = "20091130";

    // Creation. The shared instance reads the main bundle; tests may make
    // their own from any bundle.
    static PellarAppData& sharedAppData() { return SharedInstance<PellarAppData>::get(); }
    explicit PellarAppData(const Bundle&);
    PellarAppData(const PellarAppData&) = delete;
    PellarAppData& operator=(const PellarAppData&) = delete;

    // Properties
    const std::optional<std::string>& bundleDisplayName() const { return m_bundleDisplayName; }
    const std::optional<std::string>& bundleName() const { return m_bundleName; }
    const std::optional<std::string>& bundleIdentifier() const { return m_bundleIdentifier; }

    // The user agent from the device's model, system name and version, its
    // machine name and the user's locale (none: "(null)").
    static std::string userAgentWith(const std::string& model, const std::string& systemName,
        const std::string& systemVersion, const std::string& machine, const std::optional<std::string>& locale);
    // The same from the current device and user defaults, composed afresh.
    static std::string currentUserAgent();

    // The device's identifier for this application, read afresh each time;
    // nullopt when the machine has none. Keyed with the bundle identifier, so
    // the raw machine id never leaves the device.
    static std::optional<std::string> deviceUniqueIdentifier();

private:
    friend class SharedInstance<PellarAppData>;
    PellarAppData();

    std::optional<std::string> m_bundleDisplayName;
    std::optional<std::string> m_bundleName;
    std::optional<std::string> m_bundleIdentifier;
};
