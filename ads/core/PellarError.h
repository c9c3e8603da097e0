#pragma once

#include "base/Error.h"

// A failure as the library reports it: the domain names the class that failed
// ("kPellarURLDownloadErrorDomain", "kPellarFlexAdErrorDomain"), the code is
// negative and fixed per cause, the message may be empty.
using PellarError = Error;
