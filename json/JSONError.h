#pragma once

#include "base/Error.h"

// A reader failure as callers see it: the domain names the layer that failed
// ("JSONScannerErrorDomain" or "JSONDeserializerErrorDomain"), the code is
// negative and fixed per failure, the message is the human-readable text.
using JSONError = Error;
