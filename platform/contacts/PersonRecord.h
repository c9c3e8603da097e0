#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// One entry of an address book: a person or an organization, with its
// multi-valued properties as label/value pairs in the order they were added.
// A plain value: the address book copies it in and hands out copies.
struct PersonRecord {
    enum class Kind { Individual, Organization };

    template <typename T> struct LabeledValue {
        std::string label;
        T value;
        bool operator==(const LabeledValue&) const = default;
    };
    // A postal address keyed by field name ("Street", "City", "State", "ZIP", "Country").
    using Address = std::map<std::string, std::string>;

    // Which entry of the store this is; empty until the record has been added.
    std::string identifier;
    Kind kind { Kind::Individual };
    std::optional<std::string> name;
    std::optional<std::string> organization;
    std::vector<LabeledValue<std::string>> phoneNumbers;
    std::vector<LabeledValue<std::string>> emailAddresses;
    std::vector<LabeledValue<Address>> addresses;
    std::vector<LabeledValue<std::string>> urls;
    std::optional<std::string> note;
    // Encoded picture (PNG, JPEG or GIF bytes).
    std::optional<std::string> imageData;

    bool operator==(const PersonRecord&) const = default;
};
