#pragma once

#include "platform/contacts/StagingAddressBook.h"
#include "platform/foundation/GRefPtr.h"

#include <memory>
#include <string>

typedef struct _EBookClient EBookClient;

// The desktop's address book service (the one its contacts application
// shows), reached over the session bus. Records travel as vCards, written and
// read by the same code as the vdir store, so values are escaped the same way.
// The book's contents are read when it is opened.
class EDSAddressBook final : public StagingAddressBook {
public:
    // Seconds the client waits for the book to report itself online. A local
    // book never does, so the whole wait is spent on every first open; one
    // second is enough for the service to have the book ready (measured).
    static constexpr unsigned kConnectTimeout = 1;

    // True when the service already runs on the session bus: only then is it
    // the user's address book rather than one we would start ourselves.
    static bool isRunning();
    // The user's built-in address book; nullptr when the service cannot be reached.
    static std::shared_ptr<EDSAddressBook> open();
    ~EDSAddressBook() override;
    EDSAddressBook(const EDSAddressBook&) = delete;
    EDSAddressBook& operator=(const EDSAddressBook&) = delete;

private:
    explicit EDSAddressBook(GRefPtr<EBookClient>);
    void load();

    // StagingAddressBook
    std::optional<std::string> removeFromStore(const std::string& identifier) override;
    std::optional<std::string> writeToStore(PersonRecord&) override;

    GRefPtr<EBookClient> m_client;
};
