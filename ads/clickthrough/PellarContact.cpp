#include "ads/clickthrough/PellarContact.h"

#include "ads/core/PellarURLDownload.h"
#include "platform/contacts/AddressBook.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "json/JSONValue.h"

namespace {

std::optional<std::string> stringFor(const JSONValue& dictionary, std::string_view key)
{
    auto value = dictionary.find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(value->stringValue());
}

// Label → text members, in the server's order. Members that are not text are
// left out: a number or an object has no place in a phone or e-mail field.
std::optional<PellarContact::LabeledStrings> labeledStringsFor(const JSONValue& dictionary, std::string_view key)
{
    auto value = dictionary.find(key);
    if (!value || !value->isDictionary())
        return std::nullopt;
    PellarContact::LabeledStrings result;
    for (size_t i = 0; i < value->size(); ++i) {
        JSONValue member = value->valueAt(i);
        if (member.isString())
            result.push_back({ std::string(value->keyAt(i)), std::string(member.stringValue()) });
    }
    return result;
}

std::optional<PellarContact::LabeledAddresses> labeledAddressesFor(const JSONValue& dictionary, std::string_view key)
{
    auto value = dictionary.find(key);
    if (!value || !value->isDictionary())
        return std::nullopt;
    PellarContact::LabeledAddresses result;
    for (size_t i = 0; i < value->size(); ++i) {
        JSONValue member = value->valueAt(i);
        if (!member.isDictionary())
            continue;
        PersonRecord::Address address;
        for (size_t j = 0; j < member.size(); ++j) {
            if (member.valueAt(j).isString())
                address[std::string(member.keyAt(j))] = std::string(member.valueAt(j).stringValue());
        }
        result.push_back({ std::string(value->keyAt(i)), std::move(address) });
    }
    return result;
}

bool isOrganizationEntry(const PersonRecord& record, const std::string& organization)
{
    return record.kind == PersonRecord::Kind::Organization && record.organization == organization;
}

// The organization comes from the server: in a log line its line breaks and
// other control characters would start lines of their own, and its length is
// the server's choice.
std::string loggable(const std::string& text)
{
    std::string result = Log::excerpt(text);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return result;
}

template <typename T> std::optional<std::vector<T>> unlessEmpty(const std::vector<T>& values)
{
    return values.empty() ? std::nullopt : std::optional<std::vector<T>>(values);
}

} // namespace

std::shared_ptr<PellarContact> PellarContact::create()
{
    return std::shared_ptr<PellarContact>(new PellarContact);
}

std::shared_ptr<PellarContact> PellarContact::createWithDictionary(const JSONValue& dictionary)
{
    auto contact = create();
    contact->m_organization = stringFor(dictionary, "organization");
    contact->m_phoneNumbers = labeledStringsFor(dictionary, "phonenums");
    contact->m_emailAddresses = labeledStringsFor(dictionary, "emails");
    contact->m_addresses = labeledAddressesFor(dictionary, "addresses");
    contact->m_links = labeledStringsFor(dictionary, "links");
    contact->m_note = stringFor(dictionary, "note");
    contact->m_imageLocation = stringFor(dictionary, "image");
    return contact;
}

std::shared_ptr<PellarContact> PellarContact::createWithAddressBookEntryForOrganization(const std::string& organization)
{
    auto book = AddressBook::open();
    if (!book)
        return nullptr;
    for (const auto& record : book->allPeople()) {
        if (!isOrganizationEntry(record, organization))
            continue;
        auto contact = create();
        contact->m_organization = organization;
        contact->m_phoneNumbers = unlessEmpty(record.phoneNumbers);
        contact->m_emailAddresses = unlessEmpty(record.emailAddresses);
        contact->m_addresses = unlessEmpty(record.addresses);
        contact->m_links = unlessEmpty(record.urls);
        contact->m_note = record.note;
        return contact;
    }
    return nullptr;
}

PellarContact::~PellarContact()
{
    if (m_imageDownload)
        m_imageDownload->cancel();
}

std::optional<std::string> PellarContact::addToAddressBook()
{
    if (!m_organization)
        return std::nullopt;
    if (auto error = saveToAddressBook())
        return error;
    if (m_imageLocation)
        downloadContactImageAndAddToAddressBook();
    return std::nullopt;
}

std::optional<std::string> PellarContact::saveToAddressBook()
{
    if (!m_organization)
        return std::nullopt;
    auto book = AddressBook::open();
    if (!book)
        return reportFailure("no address book could be opened");

    PersonRecord record;
    record.kind = PersonRecord::Kind::Organization;
    record.organization = m_organization;
    record.phoneNumbers = m_phoneNumbers.value_or(LabeledStrings {});
    record.emailAddresses = m_emailAddresses.value_or(LabeledStrings {});
    record.addresses = m_addresses.value_or(LabeledAddresses {});
    record.urls = m_links.value_or(LabeledStrings {});
    record.note = m_note;
    record.imageData = m_image;
    // The older entries and the new one go in one save, which writes the new
    // entry before it removes anything: a failed write leaves the book as it was.
    stageRemoval(*m_organization, *book);
    if (!book->addRecord(record))
        return reportFailure("the entry has no name");
    if (auto error = book->save())
        return reportFailure(*error);
    Log::writef("Added contact %s to the address book.", loggable(*m_organization).c_str());
    return std::nullopt;
}

std::string PellarContact::reportFailure(const std::string& reason) const
{
    Log::writef("Could not add contact %s to the address book: %s", loggable(m_organization.value_or("")).c_str(),
        loggable(reason).c_str());
    return reason;
}

void PellarContact::downloadContactImageAndAddToAddressBook()
{
    if (!m_imageLocation || m_image || m_imageDownload)
        return;
    m_keepAlive = shared_from_this();
    m_imageDownload = PellarURLDownload::create();
    m_imageDownload->setDelegate(
        m_keepAlive, &PellarContact::contactImageDownloadDidSucceed, &PellarContact::contactImageDownloadDidFail);
    m_imageDownload->loadContentsOfURLAtString(*m_imageLocation);
}

void PellarContact::contactImageDownloadDidSucceed(PellarURLDownload& download)
{
    const auto& data = download.data();
    // Only a picture that decodes within the same pixel cap as ad images is
    // kept; anything else leaves the entry as it is, without a picture.
    if (data && data->size() <= kMaximumImageSize && Image::decode(*data)) {
        m_image = *data;
        addToAddressBook();
    }
    endImageDownload(download);
}

void PellarContact::contactImageDownloadDidFail(PellarURLDownload& download)
{
    endImageDownload(download);
}

void PellarContact::endImageDownload(PellarURLDownload& download)
{
    download.cancel();
    // We are inside the download's callback; both go once this pass ends.
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_imageDownload));
    RunLoop::main().keepAliveUntilPassEnds(std::move(m_keepAlive));
}

bool PellarContact::removeFromAddressBook()
{
    if (!m_organization)
        return false;
    auto book = AddressBook::open();
    return book && deleteContact(*m_organization, *book);
}

bool PellarContact::stageRemoval(const std::string& organization, AddressBook& book)
{
    bool removed = false;
    // Every match goes, not just the first: the organization is the entry's identity.
    for (const auto& record : book.allPeople()) {
        if (!isOrganizationEntry(record, organization))
            continue;
        Log::writef("Address %s is already in the address book.  Erasing the old entry before adding the new one.",
            loggable(organization).c_str());
        removed = book.removeRecord(record.identifier) || removed;
    }
    return removed;
}

bool PellarContact::deleteContact(const std::string& organization, AddressBook& book)
{
    bool removed = stageRemoval(organization, book);
    if (removed) {
        if (auto error = book.save())
            Log::writef("Error removing old contact %s from the address book:  %s", loggable(organization).c_str(),
                error->c_str());
    }
    return removed;
}
