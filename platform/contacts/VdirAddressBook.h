#pragma once

#include "platform/contacts/StagingAddressBook.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// An address book kept as a vdir: a folder of vCard files, one contact per
// ".vcf" file named after its identifier, the layout that contact tools and
// CardDAV synchronisers share. The folder is read when the book is opened.
// Our files are written atomically; a file we cannot read (not one vCard, too
// large) is skipped and never rewritten or deleted, since it may be someone
// else's data in a form we do not understand.
class VdirAddressBook final : public StagingAddressBook {
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

private:
    explicit VdirAddressBook(std::filesystem::path directory);
    void load();

    // StagingAddressBook
    std::optional<std::string> removeFromStore(const std::string& identifier) override;
    std::optional<std::string> writeToStore(PersonRecord&) override;

    std::filesystem::path m_directory;
    std::vector<std::filesystem::path> m_skippedFiles;
};
