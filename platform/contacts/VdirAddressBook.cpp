#include "platform/contacts/VdirAddressBook.h"

#include "platform/contacts/VCard.h"
#include "platform/foundation/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr const char* kExtension = ".vcf";

bool isContactFile(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    std::string name = entry.path().filename().string();
    // Hidden files include our own temporary files of a write in progress.
    return !name.starts_with(".") && name.ends_with(kExtension) && entry.is_regular_file(error);
}

} // namespace

VdirAddressBook::VdirAddressBook(std::filesystem::path directory)
    : m_directory(std::move(directory))
{
}

std::shared_ptr<VdirAddressBook> VdirAddressBook::open(const std::filesystem::path& directory)
{
    std::error_code error;
    if (!std::filesystem::exists(directory, error)) {
        // Made 0700, like every folder of ours: the book holds other people's details.
        if (!Paths::createDirectories(directory))
            return nullptr;
    }
    if (!std::filesystem::is_directory(directory, error))
        return nullptr;
    std::shared_ptr<VdirAddressBook> book(new VdirAddressBook(directory));
    book->load();
    return book;
}

std::filesystem::path VdirAddressBook::fileForIdentifier(const std::string& identifier) const
{
    return m_directory / (identifier + kExtension);
}

void VdirAddressBook::load()
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_directory, error), end; !error && it != end; it.increment(error)) {
        if (isContactFile(*it))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<PersonRecord> records;
    for (const auto& file : files) {
        std::error_code sizeError;
        auto size = std::filesystem::file_size(file, sizeError);
        std::optional<std::string> text;
        if (!sizeError && size <= kMaximumFileSize)
            text = Paths::readFile(file);
        std::optional<PersonRecord> record;
        if (text)
            record = VCard::parse(*text);
        if (!record) {
            m_skippedFiles.push_back(file);
            continue;
        }
        std::string name = file.filename().string();
        record->identifier = name.substr(0, name.size() - std::strlen(kExtension));
        records.push_back(std::move(*record));
    }
    setStoredRecords(std::move(records));
}

std::optional<std::string> VdirAddressBook::removeFromStore(const std::string& identifier)
{
    // A file someone else removed meanwhile is as good as removed by us.
    if (unlink(fileForIdentifier(identifier).c_str()) == 0 || errno == ENOENT)
        return std::nullopt;
    return "Could not remove " + fileForIdentifier(identifier).filename().string() + ": " + std::strerror(errno);
}

std::optional<std::string> VdirAddressBook::writeToStore(PersonRecord& record)
{
    auto file = fileForIdentifier(record.identifier);
    // Written 0600, like every file of ours.
    if (!Paths::writeFileAtomically(file, VCard::serialize(record)))
        return "Could not write " + file.filename().string();
    return std::nullopt;
}
