#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// The machine the application runs on: what kind of device it is, the
// operating system's name and version, the hardware name, and an identifier
// for this machine that is specific to one application.
class Device {
public:
    static constexpr const char* kDefaultMachineIdPath = "/etc/machine-id";

    // Creation
    static Device& currentDevice();
    Device(); // reads uname
    Device(std::string systemName, std::string release, std::string machine);
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Properties
    std::string model() const { return "Desktop"; }
    const std::string& systemName() const { return m_systemName; } // "Linux"
    const std::string& systemVersion() const { return m_systemVersion; } // "6.1.0" of "6.1.0-18-amd64"
    const std::string& machine() const { return m_machine; } // "x86_64"

    // Whether placing a call brings up the platform's own confirmation. A
    // desktop hands "tel:" links to whatever handler is installed, which asks
    // no one, so callers must confirm themselves. Main thread only; settable
    // so that the other kind of platform stays testable.
    bool confirmsCallsItself() const { return m_confirmsCallsItself; }
    void setConfirmsCallsItself(bool confirms) { m_confirmsCallsItself = confirms; }

    // An identifier of this machine for one application: 32 lower-case hex
    // digits, the same on every call and every run, different for every
    // application, and not the machine id itself, from which it cannot be
    // worked back. nullopt when the machine has no valid machine id.
    std::optional<std::string> uniqueIdentifier(std::string_view appId) const;

    std::filesystem::path machineIdPath() const;
    void setMachineIdPath(std::filesystem::path);

    // The app-specific id derived from a machine id (32 hex digits) the way
    // systemd derives its app-specific ids, with the application identifier's
    // text as the message: HMAC-SHA256 keyed with the id's 16 bytes, the first
    // 16 bytes of the digest marked as a version 4 UUID. nullopt for a
    // malformed or all-zero machine id.
    static std::optional<std::string> appSpecificIdentifier(std::string_view machineId, std::string_view appId);
    // "6.1.0-18-amd64" → "6.1.0"; a release without a leading number is kept whole.
    static std::string numericVersionPrefix(std::string_view release);

private:
    std::string m_systemName;
    std::string m_systemVersion;
    std::string m_machine;
    bool m_confirmsCallsItself { false };
    mutable std::mutex m_mutex;
    std::filesystem::path m_machineIdPath { kDefaultMachineIdPath };
};
