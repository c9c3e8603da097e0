#pragma once

#include "platform/ui/controls/URLError.h"

#include <glib.h>
#include <string>

// Turns the errors WebKit reports for a failed load into URL-loading codes.
// Network failures arrive as plain GIO, resolver and TLS errors (a refused
// connection is a GIO error, an unknown host a resolver error), the rest in
// WebKit's own network and policy domains.
class WebKitErrorMapping {
public:
    static int codeForError(const GError*);
    static URLError errorForLoadFailure(const GError*, const std::string& failingURL);

    WebKitErrorMapping() = delete;
};
