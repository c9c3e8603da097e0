// The store's files against a contact client none of us wrote: what we save
// must list as written there, and what it creates must read back here.
#include "platform/contacts/VdirAddressBook.h"
#include "tests/support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <fstream>

namespace {

class KhardInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(directory);
        std::ofstream(temp / "khard.conf")
            << "[addressbooks]\n[[test]]\npath = " << directory.string() << "/\n"
            << "[general]\ndefault_action = list\neditor = /bin/false\nmerge_editor = /bin/false\n"
            << "[vcard]\npreferred_version = 4.0\n";
    }

    // Runs khard with our configuration and a private home; its standard output.
    std::string khard(std::vector<std::string> arguments)
    {
        std::vector<std::string> command { "khard", "-c", (temp / "khard.conf").string() };
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : command)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::string home = "HOME=" + temp.path().string();
        char* envp[]
            = { home.data(), const_cast<char*>("PATH=/usr/bin:/bin"), const_cast<char*>("LANG=C.UTF-8"), nullptr };
        gchar* out = nullptr;
        gchar* err = nullptr;
        gint status = 0;
        GError* error = nullptr;
        bool ran = g_spawn_sync(temp.path().c_str(), argv.data(), envp, G_SPAWN_SEARCH_PATH_FROM_ENVP, nullptr, nullptr,
            &out, &err, &status, &error);
        EXPECT_TRUE(ran) << (error ? error->message : "");
        EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << (err ? err : "");
        std::string output = out ? out : "";
        g_free(out);
        g_free(err);
        g_clear_error(&error);
        return output;
    }

    TempDir temp;
    std::filesystem::path directory { temp / "contacts" };
};

bool hasRow(const std::string& output, std::vector<std::string> cells)
{
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        std::string line = output.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t at = 0;
        bool all = true;
        for (const auto& cell : cells) {
            at = line.find(cell, at);
            if (at == std::string::npos) {
                all = false;
                break;
            }
            at += cell.size();
        }
        if (all)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

} // namespace

TEST_F(KhardInteropTest, ListsWhatWeWroteAsWritten)
{
    auto book = VdirAddressBook::open(directory);
    PersonRecord record;
    record.kind = PersonRecord::Kind::Organization;
    record.organization = "Acme, Inc.";
    record.phoneNumbers = { { "work", "+1 555 0100" }, { "mobile", "+1 555 0142" } };
    record.emailAddresses = { { "work", "hello@acme.example" } };
    record.addresses = { { "work", { { "Street", "1 Market St" }, { "City", "San Francisco" }, { "ZIP", "94105" } } } };
    record.note = "Open 9–5; closed Sundays";
    book->addRecord(record);
    // A server that tries to forge a phone number through the organization.
    PersonRecord forged;
    forged.kind = PersonRecord::Kind::Organization;
    forged.organization = "Forged\nTEL:+1 555 0666";
    book->addRecord(forged);
    ASSERT_EQ(book->save(), std::nullopt);

    std::string list = khard({ "list" });
    EXPECT_TRUE(hasRow(list, { "Acme, Inc.", "organisation" })) << list;
    std::string phones = khard({ "phone", "--parsable" });
    EXPECT_TRUE(hasRow(phones, { "+1 555 0100", "Acme, Inc.", "work" })) << phones;
    EXPECT_TRUE(hasRow(phones, { "+1 555 0142", "Acme, Inc.", "mobile" })) << phones;
    EXPECT_EQ(phones.find("0666"), std::string::npos) << phones;
    std::string emails = khard({ "email", "--parsable" });
    EXPECT_TRUE(hasRow(emails, { "hello@acme.example", "Acme, Inc.", "work" })) << emails;
    std::string details = khard({ "show", "--format", "yaml", "Acme" });
    EXPECT_NE(details.find("Street: 1 Market St"), std::string::npos) << details;
    EXPECT_NE(details.find("Open 9–5; closed Sundays"), std::string::npos) << details;
}

TEST_F(KhardInteropTest, ReadsWhatItCreates)
{
    std::ofstream(temp / "jane.yaml") << "Formatted name: Jane Doe\nFirst name: Jane\nLast name: Doe\n"
                                         "Organisation: Widgets\nPhone:\n    cell: +44 20 7946 0000\n"
                                         "Email:\n    home: jane@example.org\nNote: \"a, b; c\"\n";
    khard({ "new", "-a", "test", "-i", (temp / "jane.yaml").string() });

    auto book = VdirAddressBook::open(directory);
    EXPECT_TRUE(book->skippedFiles().empty());
    auto people = book->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].name, "Jane Doe");
    EXPECT_EQ(people[0].kind, PersonRecord::Kind::Individual);
    EXPECT_EQ(people[0].organization, "Widgets");
    ASSERT_EQ(people[0].phoneNumbers.size(), 1u);
    EXPECT_EQ(people[0].phoneNumbers[0].label, "cell");
    EXPECT_NE(people[0].phoneNumbers[0].value.find("+44 20 7946 0000"), std::string::npos);
    EXPECT_EQ(people[0].note, "a, b; c");
}
