#pragma once

class PellarStoreURLCleaner;
class URL;

// Receives the one result of a store-link cleaner that had to fetch.
class PellarStoreURLCleanerDelegate {
public:
    virtual ~PellarStoreURLCleanerDelegate() = default;

    // The link to open: the cleaned store link, or on failure the link the
    // cleaner was made with. The delegate may drop the cleaner inside this call.
    virtual void cleanerDidGenerateURL(PellarStoreURLCleaner&, const URL&) = 0;
};
