#include "platform/contacts/VdirAddressBook.h"
#include "platform/contacts/AddressBook.h"
#include "platform/foundation/Paths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

PersonRecord acme()
{
    PersonRecord record;
    record.kind = PersonRecord::Kind::Organization;
    record.organization = "Acme";
    record.phoneNumbers = { { "work", "+1 555 0100" } };
    return record;
}

std::vector<std::string> vcfFiles(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info { };
    stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

class VdirAddressBookTest : public ::testing::Test {
protected:
    TempDir temp;
    std::filesystem::path directory { temp / "contacts" };
};

} // namespace

TEST_F(VdirAddressBookTest, SavedRecordIsOnePrivateFileThatReadsBack)
{
    auto book = VdirAddressBook::open(directory);
    ASSERT_TRUE(book);
    EXPECT_EQ(modeOf(directory), 0700u);
    PersonRecord record = acme();
    ASSERT_TRUE(book->addRecord(record));
    EXPECT_FALSE(record.identifier.empty());
    EXPECT_TRUE(vcfFiles(directory).empty()) << "nothing reaches the disk before save";
    EXPECT_EQ(book->save(), std::nullopt);

    ASSERT_EQ(vcfFiles(directory), std::vector<std::string> { record.identifier + ".vcf" });
    EXPECT_EQ(modeOf(book->fileForIdentifier(record.identifier)), 0600u);

    auto reopened = VdirAddressBook::open(directory);
    auto people = reopened->allPeople();
    ASSERT_EQ(people.size(), 1u);
    record.name = record.organization; // the formatted name every card carries
    EXPECT_EQ(people[0], record);
}

TEST_F(VdirAddressBookTest, StagedChangesReachTheDiskOnlyOnSave)
{
    auto book = VdirAddressBook::open(directory);
    PersonRecord kept = acme();
    book->addRecord(kept);
    book->save();

    PersonRecord dropped = acme();
    book->addRecord(dropped);
    EXPECT_TRUE(book->removeRecord(dropped.identifier)); // never written at all
    EXPECT_TRUE(book->removeRecord(kept.identifier));
    EXPECT_FALSE(book->removeRecord(kept.identifier));
    EXPECT_FALSE(book->removeRecord("no-such-record"));
    EXPECT_TRUE(book->allPeople().empty());
    EXPECT_EQ(vcfFiles(directory).size(), 1u);
    book.reset(); // dropped without saving

    book = VdirAddressBook::open(directory);
    ASSERT_EQ(book->allPeople().size(), 1u);
    EXPECT_TRUE(book->removeRecord(kept.identifier));
    EXPECT_EQ(book->save(), std::nullopt);
    EXPECT_TRUE(vcfFiles(directory).empty());
    EXPECT_FALSE(book->hasUnsavedChanges());
}

// A file we cannot read may be another tool's data: it is listed as
// skipped, never shown, and survives saves byte for byte. Hidden files and
// files of other kinds are not contacts at all.
TEST_F(VdirAddressBookTest, FilesItCannotReadAreLeftAlone)
{
    std::filesystem::create_directories(directory);
    chmod(directory.c_str(), 0750);
    const std::string broken = "BEGIN:VCARD\r\nFN:Acme\r\nORG:Acme\r\nKIND:org\r\n"; // no END
    std::ofstream(directory / "broken.vcf") << broken;
    std::ofstream(directory / "two.vcf")
        << "BEGIN:VCARD\nKIND:org\nORG:Acme\nEND:VCARD\nBEGIN:VCARD\nFN:B\nEND:VCARD\n";
    std::ofstream(directory / ".acme.vcf.AbC123") << "BEGIN:VCARD\nFN:temporary\nEND:VCARD\n";
    std::ofstream(directory / "notes.txt") << "BEGIN:VCARD\nFN:not a contact file\nEND:VCARD\n";
    std::filesystem::create_directories(directory / "sub.vcf");

    auto book = VdirAddressBook::open(directory);
    ASSERT_TRUE(book);
    EXPECT_TRUE(book->allPeople().empty());
    EXPECT_EQ(book->skippedFiles().size(), 2u);
    PersonRecord record = acme();
    book->addRecord(record);
    EXPECT_EQ(book->save(), std::nullopt);

    EXPECT_EQ(Paths::readFile(directory / "broken.vcf"), broken);
    EXPECT_EQ(vcfFiles(directory).size(), 6u);
    EXPECT_EQ(modeOf(directory), 0750u) << "a folder the user made keeps its mode";
}

TEST_F(VdirAddressBookTest, DefaultFolderFollowsTheEnvironment)
{
    const char* previous = std::getenv("VANTREL_CONTACTS_DIR");
    std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    setenv("VANTREL_CONTACTS_DIR", directory.c_str(), 1);
    EXPECT_EQ(AddressBook::defaultDirectory(), directory);
    auto book = AddressBook::open();
    ASSERT_TRUE(book);
    EXPECT_TRUE(std::filesystem::is_directory(directory));

    unsetenv("VANTREL_CONTACTS_DIR");
    Paths::setDataDirectoryOverride(temp / "data");
    EXPECT_EQ(AddressBook::defaultDirectory(), temp / "data" / "contacts");
    Paths::setDataDirectoryOverride(std::nullopt);
    if (saved)
        setenv("VANTREL_CONTACTS_DIR", saved->c_str(), 1);

    std::ofstream(temp / "file") << "x";
    EXPECT_FALSE(VdirAddressBook::open(temp / "file"));
}

TEST_F(VdirAddressBookTest, UnreachableAddressBookServiceFallsBackToTheFolder)
{
    // A session bus address where nothing listens: the service cannot answer,
    // whether or not this build has it, and contacts still have a home.
    const char* previousBus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    std::optional<std::string> savedBus = previousBus ? std::optional<std::string>(previousBus) : std::nullopt;
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (temp / "no-bus").string()).c_str(), 1);
    unsetenv("VANTREL_CONTACTS_DIR");
    Paths::setDataDirectoryOverride(temp / "data");
    auto book = AddressBook::open();
    Paths::setDataDirectoryOverride(std::nullopt);
    if (savedBus)
        setenv("DBUS_SESSION_BUS_ADDRESS", savedBus->c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_TRUE(book);
    EXPECT_TRUE(dynamic_cast<VdirAddressBook*>(book.get()));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "data" / "contacts"));
}
