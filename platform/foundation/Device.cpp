#include "platform/foundation/Device.h"

#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/SharedInstance.h"

#include <glib.h>
#include <sys/utsname.h>

#include <array>
#include <fstream>
#include <iterator>

namespace {

struct UnameRecord {
    std::string systemName;
    std::string release;
    std::string machine;
};

UnameRecord readUname()
{
    struct utsname record { };
    if (uname(&record) != 0)
        return { "Linux", "", "" };
    return { record.sysname, record.release, record.machine };
}

} // namespace

Device& Device::currentDevice()
{
    return SharedInstance<Device>::get();
}

Device::Device()
{
    UnameRecord record = readUname();
    m_systemName = std::move(record.systemName);
    m_systemVersion = numericVersionPrefix(record.release);
    m_machine = std::move(record.machine);
}

Device::Device(std::string systemName, std::string release, std::string machine)
    : m_systemName(std::move(systemName))
    , m_systemVersion(numericVersionPrefix(release))
    , m_machine(std::move(machine))
{
}

std::filesystem::path Device::machineIdPath() const
{
    std::lock_guard guard(m_mutex);
    return m_machineIdPath;
}

void Device::setMachineIdPath(std::filesystem::path path)
{
    std::lock_guard guard(m_mutex);
    m_machineIdPath = std::move(path);
}

std::optional<std::string> Device::uniqueIdentifier(std::string_view appId) const
{
    std::ifstream file(machineIdPath());
    if (!file)
        return std::nullopt;
    // The file is one line of 32 hex digits; read a little more so that a
    // longer line is seen as malformed, not cut to size.
    std::string contents(64, '\0');
    file.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    contents.resize(static_cast<size_t>(file.gcount()));
    if (!contents.empty() && contents.back() == '\n')
        contents.pop_back();
    return appSpecificIdentifier(contents, appId);
}

std::optional<std::string> Device::appSpecificIdentifier(std::string_view machineId, std::string_view appId)
{
    if (machineId.size() != 32)
        return std::nullopt;
    std::array<guint8, 16> key {};
    bool allZero = true;
    for (size_t i = 0; i < key.size(); ++i) {
        int high = g_ascii_xdigit_value(machineId[2 * i]);
        int low = g_ascii_xdigit_value(machineId[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        key[i] = static_cast<guint8>(high * 16 + low);
        allZero = allZero && key[i] == 0;
    }
    // An all-zero id is the placeholder of a machine that was never set up;
    // every such machine would share it.
    if (allZero)
        return std::nullopt;

    auto hmac = adoptGRef(g_hmac_new(G_CHECKSUM_SHA256, key.data(), key.size()));
    g_hmac_update(hmac.get(), reinterpret_cast<const guchar*>(appId.data()), static_cast<gssize>(appId.size()));
    std::array<guint8, 32> digest {};
    gsize digestLength = digest.size();
    g_hmac_get_digest(hmac.get(), digest.data(), &digestLength);

    // Mark the result as a random (version 4, RFC 4122 variant) UUID.
    digest[6] = static_cast<guint8>((digest[6] & 0x0F) | 0x40);
    digest[8] = static_cast<guint8>((digest[8] & 0x3F) | 0x80);

    constexpr char kHexDigits[] = "0123456789abcdef";
    std::string identifier;
    for (size_t i = 0; i < 16; ++i) {
        identifier += kHexDigits[digest[i] >> 4];
        identifier += kHexDigits[digest[i] & 0xF];
    }
    return identifier;
}

std::string Device::numericVersionPrefix(std::string_view release)
{
    size_t end = 0;
    while (end < release.size() && ((release[end] >= '0' && release[end] <= '9') || release[end] == '.'))
        ++end;
    std::string_view prefix = release.substr(0, end);
    while (!prefix.empty() && prefix.back() == '.')
        prefix.remove_suffix(1);
    if (prefix.empty() || prefix.front() == '.')
        return std::string(release);
    return std::string(prefix);
}
