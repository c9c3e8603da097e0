#include "platform/contacts/VdirAddressBook.h"

#include "platform/contacts/VCard.h"
#include "platform/foundation/Paths.h"

#include "platform/foundation/GUniquePtr.h"

#include <glib.h>

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

std::string newIdentifier()
{
    GUniquePtr<char> uuid(g_uuid_string_random());
    return uuid.get();
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
        if (!Paths::createDirectories(directory))
            return nullptr;
        // The book holds other people's details: ours alone, whatever the umask.
        std::filesystem::permissions(directory, std::filesystem::perms::owner_all, error);
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
        m_stored.push_back(std::move(*record));
    }
}

std::vector<PersonRecord> VdirAddressBook::allPeople()
{
    std::vector<PersonRecord> people;
    for (const auto& record : m_stored) {
        if (!m_removed.contains(record.identifier))
            people.push_back(record);
    }
    people.insert(people.end(), m_added.begin(), m_added.end());
    return people;
}

bool VdirAddressBook::addRecord(PersonRecord& record)
{
    if (!record.name && !record.organization)
        return false;
    record.identifier = newIdentifier();
    m_added.push_back(record);
    return true;
}

bool VdirAddressBook::removeRecord(const std::string& identifier)
{
    auto added = std::find_if(m_added.begin(), m_added.end(), [&](const PersonRecord& record) { return record.identifier == identifier; });
    if (added != m_added.end()) {
        m_added.erase(added);
        return true;
    }
    bool stored = std::any_of(m_stored.begin(), m_stored.end(), [&](const PersonRecord& record) { return record.identifier == identifier; });
    if (!stored || m_removed.contains(identifier))
        return false;
    m_removed.insert(identifier);
    return true;
}

std::optional<std::string> VdirAddressBook::save()
{
    std::optional<std::string> failure;
    for (auto it = m_removed.begin(); it != m_removed.end();) {
        // A file someone else removed meanwhile is as good as removed by us.
        if (unlink(fileForIdentifier(*it).c_str()) == 0 || errno == ENOENT) {
            const std::string& identifier = *it;
            std::erase_if(m_stored, [&](const PersonRecord& record) { return record.identifier == identifier; });
            it = m_removed.erase(it);
        } else {
            failure = "Could not remove " + fileForIdentifier(*it).filename().string() + ": " + std::strerror(errno);
            ++it;
        }
    }
    for (auto it = m_added.begin(); it != m_added.end();) {
        auto file = fileForIdentifier(it->identifier);
        if (Paths::writeFileAtomically(file, VCard::serialize(*it))) {
            // Other people's details: readable by the user alone, whatever the umask.
            std::error_code ignored;
            std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ignored);
            m_stored.push_back(std::move(*it));
            it = m_added.erase(it);
        } else {
            failure = "Could not write " + file.filename().string();
            ++it;
        }
    }
    return failure;
}
