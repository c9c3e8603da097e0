#include "platform/contacts/EDSAddressBook.h"

#include "platform/contacts/VCard.h"
#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/GUniquePtr.h"

#include <glib.h>

#include <cstdlib>

// The library's headers still declare a few deprecated GLib types.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <libebook/libebook.h>
#pragma GCC diagnostic pop

namespace {

constexpr const char* kSourcesServiceName = "org.gnome.evolution.dataserver.Sources5";

std::string messageOf(const GUniqueOutPtr<GError>& error)
{
    return error && error->message ? error->message : "unknown error";
}

} // namespace

bool EDSAddressBook::isRunning()
{
    // Without a session bus address GIO would try to start a bus of its own.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address)
        return false;
    auto bus = GRefPtr<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus)
        return false;
    auto reply = GRefPtr<GVariant>::adopt(g_dbus_connection_call_sync(bus.get(), "org.freedesktop.DBus",
        "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", kSourcesServiceName),
        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr));
    if (!reply)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply.get(), "(b)", &owned);
    return owned;
}

std::shared_ptr<EDSAddressBook> EDSAddressBook::open()
{
    auto registry = GRefPtr<ESourceRegistry>::adopt(e_source_registry_new_sync(nullptr, nullptr));
    if (!registry)
        return nullptr;
    auto source = GRefPtr<ESource>::adopt(e_source_registry_ref_builtin_address_book(registry.get()));
    if (!source)
        return nullptr;
    EClient* client = e_book_client_connect_sync(source.get(), kConnectTimeout, nullptr, nullptr);
    if (!client)
        return nullptr;
    std::shared_ptr<EDSAddressBook> book(new EDSAddressBook(GRefPtr<EBookClient>::adopt(E_BOOK_CLIENT(client))));
    book->load();
    return book;
}

EDSAddressBook::EDSAddressBook(GRefPtr<EBookClient> client)
    : m_client(std::move(client))
{
}

EDSAddressBook::~EDSAddressBook() = default;

void EDSAddressBook::load()
{
    GSList* contacts = nullptr;
    // An empty query is every contact.
    if (!e_book_client_get_contacts_sync(m_client.get(), "", &contacts, nullptr, nullptr))
        return;
    std::vector<PersonRecord> records;
    for (GSList* item = contacts; item; item = item->next) {
        auto* contact = E_CONTACT(item->data);
        GUniquePtr<char> text(e_vcard_to_string(E_VCARD(contact), EVC_FORMAT_VCARD_30));
        const char* uid = static_cast<const char*>(e_contact_get_const(contact, E_CONTACT_UID));
        // A contact our reader does not understand is not ours to show or change.
        auto record = text && uid ? VCard::parse(text.get()) : std::nullopt;
        if (!record)
            continue;
        record->identifier = uid;
        records.push_back(std::move(*record));
    }
    g_slist_free_full(contacts, g_object_unref);
    setStoredRecords(std::move(records));
}

std::optional<std::string> EDSAddressBook::removeFromStore(const std::string& identifier)
{
    GUniqueOutPtr<GError> error;
    if (e_book_client_remove_contact_by_uid_sync(
            m_client.get(), identifier.c_str(), E_BOOK_OPERATION_FLAG_NONE, nullptr, error.outPtr()))
        return std::nullopt;
    // A contact someone else removed meanwhile is as good as removed by us.
    if (g_error_matches(error.get(), E_BOOK_CLIENT_ERROR, E_BOOK_CLIENT_ERROR_CONTACT_NOT_FOUND))
        return std::nullopt;
    return messageOf(error);
}

std::optional<std::string> EDSAddressBook::writeToStore(PersonRecord& record)
{
    auto contact = GRefPtr<EContact>::adopt(e_contact_new_from_vcard(VCard::serialize(record).c_str()));
    if (!contact)
        return "The address book service refused the contact";
    GUniqueOutPtr<char> uid;
    GUniqueOutPtr<GError> error;
    if (!e_book_client_add_contact_sync(
            m_client.get(), contact.get(), E_BOOK_OPERATION_FLAG_NONE, uid.outPtr(), nullptr, error.outPtr()))
        return messageOf(error);
    // The service names the contact; the provisional identifier goes.
    if (uid)
        record.identifier = uid.get();
    return std::nullopt;
}
