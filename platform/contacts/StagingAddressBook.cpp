#include "platform/contacts/StagingAddressBook.h"

#include "platform/foundation/GUniquePtr.h"

#include <glib.h>

#include <algorithm>

std::vector<PersonRecord> StagingAddressBook::allPeople()
{
    std::vector<PersonRecord> people;
    for (const auto& record : m_stored) {
        if (!m_removed.contains(record.identifier))
            people.push_back(record);
    }
    people.insert(people.end(), m_added.begin(), m_added.end());
    return people;
}

bool StagingAddressBook::addRecord(PersonRecord& record)
{
    if (!record.name && !record.organization)
        return false;
    GUniquePtr<char> uuid(g_uuid_string_random());
    record.identifier = uuid.get();
    m_added.push_back(record);
    return true;
}

bool StagingAddressBook::removeRecord(const std::string& identifier)
{
    auto added = std::find_if(
        m_added.begin(), m_added.end(), [&](const PersonRecord& record) { return record.identifier == identifier; });
    if (added != m_added.end()) {
        m_added.erase(added);
        return true;
    }
    bool stored = std::any_of(
        m_stored.begin(), m_stored.end(), [&](const PersonRecord& record) { return record.identifier == identifier; });
    if (!stored || m_removed.contains(identifier))
        return false;
    m_removed.insert(identifier);
    return true;
}

std::optional<std::string> StagingAddressBook::save()
{
    // New entries are written first, and removals wait until every one of
    // them is in the store: an entry that replaces an older one must not
    // cost the older one when it could not be written itself.
    std::optional<std::string> failure;
    for (auto it = m_added.begin(); it != m_added.end();) {
        if (auto error = writeToStore(*it)) {
            failure = std::move(error);
            ++it;
            continue;
        }
        m_stored.push_back(std::move(*it));
        it = m_added.erase(it);
    }
    if (failure)
        return failure;
    for (auto it = m_removed.begin(); it != m_removed.end();) {
        if (auto error = removeFromStore(*it)) {
            failure = std::move(error);
            ++it;
            continue;
        }
        const std::string& identifier = *it;
        std::erase_if(m_stored, [&](const PersonRecord& record) { return record.identifier == identifier; });
        it = m_removed.erase(it);
    }
    return failure;
}
