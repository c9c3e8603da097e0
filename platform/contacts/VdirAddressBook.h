#pragma once

#include "platform/contacts/AddressBook.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

// An address book kept as a vdir: a folder of vCard files, one contact per
// ".vcf" file named after its identifier, the layout that contact tools and
// CardDAV synchronisers share. The folder is read when the book is opened.
// Our files are written atomically; a file we cannot read (not one vCard, too
// large) is skipped and never rewritten or deleted, since it may be someone
// else's data in a form we do not understand.
class VdirAddressBook final : public AddressBook {
public:
    // Larger files are skipped unread: a contact with a capped picture is far smaller.
    static constexpr std::uintmax_t kMaximumFileSize = 16 * 1024 * 1024;

    // Creates the folder (0700) when it is missing; nullptr when that fails
    // or the path is not a folder.
    static std::shared_ptr<VdirAddressBook> open(const std::filesystem::path& directory);

    const std::filesystem::path& directory() const { return m_directory; }
    // The ".vcf" files that were skipped because they could not be read.
    const std::vector<std::filesystem::path>& skippedFiles() const { return m_skippedFiles; }
    std::filesystem::path fileForIdentifier(const std::string&) const;

    // AddressBook
    std::vector<PersonRecord> allPeople() override;
    bool addRecord(PersonRecord&) override;
    bool removeRecord(const std::string& identifier) override;
    std::optional<std::string> save() override;
    bool hasUnsavedChanges() const override { return !m_added.empty() || !m_removed.empty(); }

private:
    explicit VdirAddressBook(std::filesystem::path directory);
    void load();

    std::filesystem::path m_directory;
    // On disk when opened or saved since, by file name.
    std::vector<PersonRecord> m_stored;
    std::vector<PersonRecord> m_added;
    std::set<std::string> m_removed;
    std::vector<std::filesystem::path> m_skippedFiles;
};
