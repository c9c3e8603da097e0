#pragma once

#include "platform/contacts/AddressBook.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// The part every store shares: the records read when the book was opened,
// and the additions and removals staged since, which save() hands to the
// store one by one. A change the store refuses stays staged.
class StagingAddressBook : public AddressBook {
public:
    // AddressBook
    std::vector<PersonRecord> allPeople() override;
    bool addRecord(PersonRecord&) override;
    bool removeRecord(const std::string& identifier) override;
    std::optional<std::string> save() override;
    bool hasUnsavedChanges() const override { return !m_added.empty() || !m_removed.empty(); }

protected:
    // What the store held when opened, in the store's order.
    void setStoredRecords(std::vector<PersonRecord> records) { m_stored = std::move(records); }
    // nullopt when the record is gone from the store (or was gone already).
    virtual std::optional<std::string> removeFromStore(const std::string& identifier) = 0;
    // nullopt when the record is stored; the store may rename it.
    virtual std::optional<std::string> writeToStore(PersonRecord&) = 0;

private:
    std::vector<PersonRecord> m_stored;
    std::vector<PersonRecord> m_added;
    std::set<std::string> m_removed;
};
