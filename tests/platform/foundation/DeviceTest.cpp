#include "platform/foundation/Device.h"
#include "platform/foundation/Paths.h"
#include "tests/support/TempDir.h"

#include <cctype>
#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr const char* kMachineId = "0123456789abcdef0123456789abcdef";

void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

} // namespace

TEST(DeviceTest, UniqueIdentifierIsStableAppSpecificAndHidesTheMachineId)
{
    TempDir dir;
    writeText(dir / "machine-id", std::string(kMachineId) + "\n");
    Device device("Linux", "6.1.0-18-amd64", "x86_64");
    device.setMachineIdPath(dir / "machine-id");

    auto vantrel = device.uniqueIdentifier("org.vantrel.Vantrel");
    // Pinned: a change of derivation would give every installation a new identity.
    ASSERT_EQ(vantrel, "518afe1c0d644e4c87313de551c708f5");
    // 32 lower-case hex digits marked as a version-4 UUID.
    ASSERT_EQ(vantrel->size(), 32u);
    EXPECT_EQ(vantrel->find_first_not_of("0123456789abcdef"), std::string::npos) << *vantrel;
    EXPECT_EQ((*vantrel)[12], '4') << *vantrel;
    EXPECT_NE(std::string("89ab").find((*vantrel)[16]), std::string::npos) << *vantrel;
    EXPECT_EQ(device.uniqueIdentifier("org.vantrel.Vantrel"), vantrel);
    EXPECT_NE(device.uniqueIdentifier("org.other.App"), vantrel);
    EXPECT_NE(*vantrel, kMachineId);
    EXPECT_EQ(vantrel->find("0123456789abcdef"), std::string::npos);
    // Upper-case digits name the same machine.
    EXPECT_EQ(Device::appSpecificIdentifier("0123456789ABCDEF0123456789ABCDEF", "org.vantrel.Vantrel"), vantrel);

    // Another machine, another identifier.
    writeText(dir / "machine-id", "fedcba9876543210fedcba9876543210\n");
    EXPECT_NE(device.uniqueIdentifier("org.vantrel.Vantrel"), vantrel);
}

TEST(DeviceTest, NoIdentifierWithoutAValidMachineId)
{
    TempDir dir;
    Device device("Linux", "6.1.0", "x86_64");
    device.setMachineIdPath(dir / "missing");
    EXPECT_EQ(device.uniqueIdentifier("org.vantrel.Vantrel"), std::nullopt);

    device.setMachineIdPath(dir / "machine-id");
    for (std::string contents : { "", "uninitialized\n", "0123456789abcdef\n", "00000000000000000000000000000000\n",
             "0123456789abcdef0123456789abcdeg\n", "0123456789abcdef0123456789abcdef0\n",
             "01234567-89ab-cdef-0123-456789abcdef\n" }) {
        writeText(dir / "machine-id", contents);
        EXPECT_EQ(device.uniqueIdentifier("org.vantrel.Vantrel"), std::nullopt) << contents;
    }
}

TEST(DeviceTest, SystemVersionIsTheNumericPrefixOfTheRelease)
{
    EXPECT_EQ(Device("Linux", "6.1.0-18-amd64", "x86_64").systemVersion(), "6.1.0");
    EXPECT_EQ(Device::numericVersionPrefix("5.15.0"), "5.15.0");
    EXPECT_EQ(Device::numericVersionPrefix("6.2.rc1"), "6.2");
    EXPECT_EQ(Device::numericVersionPrefix("custom"), "custom");

    const Device& current = Device::currentDevice();
    EXPECT_EQ(&current, &Device::currentDevice());
    EXPECT_EQ(current.systemName(), "Linux");
    EXPECT_EQ(current.model(), "Desktop");
    EXPECT_FALSE(current.machine().empty());
    const std::string& version = current.systemVersion();
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos) << version;
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(version.front())) && version.back() != '.') << version;
}
