#pragma once

#include <string>

// The URL-loading system's error codes, as web views report them whatever
// engine sits underneath.
enum URLErrorCode : int {
    URLErrorUnknown = -1,
    URLErrorCancelled = -999,
    URLErrorBadURL = -1000,
    URLErrorTimedOut = -1001,
    URLErrorUnsupportedURL = -1002,
    URLErrorCannotFindHost = -1003,
    URLErrorCannotConnectToHost = -1004,
    URLErrorNetworkConnectionLost = -1005,
    URLErrorDNSLookupFailed = -1006,
    URLErrorHTTPTooManyRedirects = -1007,
    URLErrorResourceUnavailable = -1008,
    URLErrorNotConnectedToInternet = -1009,
    URLErrorRedirectToNonExistentLocation = -1010,
    URLErrorBadServerResponse = -1011,
    URLErrorZeroByteResource = -1014,
    URLErrorCannotDecodeContentData = -1016,
    URLErrorFileDoesNotExist = -1100,
    URLErrorFileIsDirectory = -1101,
    URLErrorNoPermissionsToReadFile = -1102,
    URLErrorDataLengthExceedsMaximum = -1103,
    URLErrorSecureConnectionFailed = -1200,
    URLErrorServerCertificateHasBadDate = -1201,
    URLErrorServerCertificateUntrusted = -1202,
    URLErrorServerCertificateHasUnknownRoot = -1203,
    URLErrorServerCertificateNotYetValid = -1204,
    URLErrorCannotLoadFromNetwork = -2000,
    URLErrorCannotCreateFile = -3000,
    URLErrorCannotOpenFile = -3001,
    URLErrorCannotCloseFile = -3002,
    URLErrorCannotWriteToFile = -3003,
    URLErrorCannotRemoveFile = -3004,
    URLErrorCannotMoveFile = -3005,
};

// A failed load as a web view reports it: the URL-loading code, the engine's
// own domain and message (for logs), and the address that failed.
struct URLError {
    static constexpr const char* kDomain = "URLErrorDomain";

    int code { URLErrorUnknown };
    std::string message;
    std::string failingURL;
};
