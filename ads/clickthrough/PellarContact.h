#pragma once

#include "platform/contacts/PersonRecord.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class AddressBook;
class JSONValue;
class PellarURLDownload;

// The advertiser as an address-book entry: built from the "contact" object of
// a click answer, written as an organization that replaces every entry of the
// same organization, and written a second time with its picture once that
// has been downloaded. Labels are the server's, in the order it sent them.
class PellarContact final : public std::enable_shared_from_this<PellarContact> {
public:
    using LabeledStrings = std::vector<PersonRecord::LabeledValue<std::string>>;
    using LabeledAddresses = std::vector<PersonRecord::LabeledValue<PersonRecord::Address>>;

    // A picture larger than this is left out: it would bloat the contact file
    // that synchronisers copy around, and no contact list shows it that big.
    static constexpr size_t kMaximumImageSize = 1024 * 1024;

    // Creation
    static std::shared_ptr<PellarContact> create();
    // Reads the keys it knows; values of the wrong type are left out.
    static std::shared_ptr<PellarContact> createWithDictionary(const JSONValue&);
    // The first organization entry of that name in the address book; nullptr when there is none.
    static std::shared_ptr<PellarContact> createWithAddressBookEntryForOrganization(const std::string& organization);
    ~PellarContact();

    // Properties
    const std::optional<std::string>& organization() const { return m_organization; }
    void setOrganization(std::optional<std::string> v) { m_organization = std::move(v); }
    const std::optional<LabeledStrings>& phoneNumbers() const { return m_phoneNumbers; }
    void setPhoneNumbers(std::optional<LabeledStrings> v) { m_phoneNumbers = std::move(v); }
    const std::optional<LabeledStrings>& emailAddresses() const { return m_emailAddresses; }
    void setEmailAddresses(std::optional<LabeledStrings> v) { m_emailAddresses = std::move(v); }
    const std::optional<LabeledAddresses>& addresses() const { return m_addresses; }
    void setAddresses(std::optional<LabeledAddresses> v) { m_addresses = std::move(v); }
    const std::optional<LabeledStrings>& links() const { return m_links; }
    void setLinks(std::optional<LabeledStrings> v) { m_links = std::move(v); }
    const std::optional<std::string>& note() const { return m_note; }
    void setNote(std::optional<std::string> v) { m_note = std::move(v); }
    const std::optional<std::string>& imageLocation() const { return m_imageLocation; }
    void setImageLocation(std::optional<std::string> v) { m_imageLocation = std::move(v); }
    // The downloaded picture; nullopt until it has arrived and proved an image.
    const std::optional<std::string>& image() const { return m_image; }
    void setImage(std::optional<std::string> v) { m_image = std::move(v); }

    // Operations
    // Writes the entry, then fetches the picture (if there is one) and writes
    // it again. A failure is logged and answered (what failed); the book is
    // left as it was, older entries of the organization included.
    std::optional<std::string> addToAddressBook();
    std::optional<std::string> saveToAddressBook();
    void downloadContactImageAndAddToAddressBook();
    bool removeFromAddressBook();
    // Removes every organization entry of that name, saving when one was removed.
    static bool deleteContact(const std::string& organization, AddressBook&);
    // The same removals, staged only; true when there was one.
    static bool stageRemoval(const std::string& organization, AddressBook&);

    // Picture download callbacks
    void contactImageDownloadDidSucceed(PellarURLDownload&);
    void contactImageDownloadDidFail(PellarURLDownload&);

private:
    PellarContact() = default;
    void endImageDownload(PellarURLDownload&);
    std::string reportFailure(const std::string& reason) const;

    std::optional<std::string> m_organization;
    std::optional<LabeledStrings> m_phoneNumbers;
    std::optional<LabeledStrings> m_emailAddresses;
    std::optional<LabeledAddresses> m_addresses;
    std::optional<LabeledStrings> m_links;
    std::optional<std::string> m_note;
    std::optional<std::string> m_imageLocation;
    std::optional<std::string> m_image;
    std::shared_ptr<PellarURLDownload> m_imageDownload;
    // Held while the picture downloads: the alert that made us may be gone.
    std::shared_ptr<PellarContact> m_keepAlive;
};
