#pragma once

#include "platform/contacts/PersonRecord.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The user's address book. Changes are staged by addRecord and removeRecord
// and reach the store with save(), the way a phone's address book works; a
// book that is dropped without save() leaves the store as it was.
class AddressBook {
public:
    virtual ~AddressBook() = default;

    // The user's own address book: the vdir at $VANTREL_CONTACTS_DIR when that
    // is set; otherwise the desktop's address book service when it runs (and
    // this build has it); otherwise the vdir at <data dir>/contacts. nullptr
    // when none can be opened.
    static std::shared_ptr<AddressBook> open();
    static std::filesystem::path defaultDirectory();

    // Every person record, staged changes included, in a stable order.
    virtual std::vector<PersonRecord> allPeople() = 0;
    // Stages a new record; fills in its identifier. False when the record
    // cannot be stored (it has neither a name nor an organization).
    virtual bool addRecord(PersonRecord&) = 0;
    // Stages the removal of the record with this identifier; false when the
    // book holds no such record.
    virtual bool removeRecord(const std::string& identifier) = 0;
    // Writes the staged changes. nullopt on success, otherwise what failed;
    // changes that could not be written stay staged.
    virtual std::optional<std::string> save() = 0;
    virtual bool hasUnsavedChanges() const = 0;
};
