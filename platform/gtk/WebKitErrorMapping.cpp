#include "platform/gtk/WebKitErrorMapping.h"

#include <gio/gio.h>
#include <webkit/webkit.h>

static int codeForIOError(int code)
{
    switch (code) {
    case G_IO_ERROR_CANCELLED:
        return URLErrorCancelled;
    case G_IO_ERROR_TIMED_OUT:
        return URLErrorTimedOut;
    case G_IO_ERROR_CONNECTION_REFUSED:
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_PROXY_FAILED:
    case G_IO_ERROR_PROXY_AUTH_FAILED:
    case G_IO_ERROR_PROXY_NEED_AUTH:
    case G_IO_ERROR_PROXY_NOT_ALLOWED:
        return URLErrorCannotConnectToHost;
    case G_IO_ERROR_HOST_NOT_FOUND:
        return URLErrorCannotFindHost;
    case G_IO_ERROR_NETWORK_UNREACHABLE:
        return URLErrorNotConnectedToInternet;
    case G_IO_ERROR_CONNECTION_CLOSED:
    case G_IO_ERROR_NOT_CONNECTED:
        return URLErrorNetworkConnectionLost;
    case G_IO_ERROR_NOT_FOUND:
        return URLErrorFileDoesNotExist;
    case G_IO_ERROR_IS_DIRECTORY:
        return URLErrorFileIsDirectory;
    case G_IO_ERROR_PERMISSION_DENIED:
        return URLErrorNoPermissionsToReadFile;
    case G_IO_ERROR_NOT_SUPPORTED:
        return URLErrorUnsupportedURL;
    case G_IO_ERROR_INVALID_DATA:
        return URLErrorBadServerResponse;
    case G_IO_ERROR_MESSAGE_TOO_LARGE:
        return URLErrorDataLengthExceedsMaximum;
    default:
        return URLErrorUnknown;
    }
}

static int codeForTLSError(int code)
{
    switch (code) {
    case G_TLS_ERROR_BAD_CERTIFICATE:
        return URLErrorServerCertificateUntrusted;
    default:
        return URLErrorSecureConnectionFailed;
    }
}

int WebKitErrorMapping::codeForError(const GError* error)
{
    if (!error)
        return URLErrorUnknown;
    if (error->domain == G_IO_ERROR)
        return codeForIOError(error->code);
    if (error->domain == G_RESOLVER_ERROR)
        return error->code == G_RESOLVER_ERROR_INTERNAL ? URLErrorDNSLookupFailed : URLErrorCannotFindHost;
    if (error->domain == G_TLS_ERROR)
        return codeForTLSError(error->code);
    if (error->domain == WEBKIT_NETWORK_ERROR) {
        switch (error->code) {
        case WEBKIT_NETWORK_ERROR_CANCELLED:
            return URLErrorCancelled;
        case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
            return URLErrorUnsupportedURL;
        case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
            return URLErrorFileDoesNotExist;
        case WEBKIT_NETWORK_ERROR_TRANSPORT:
            return URLErrorCannotConnectToHost;
        default:
            return URLErrorUnknown;
        }
    }
    if (error->domain == WEBKIT_POLICY_ERROR) {
        switch (error->code) {
        // A navigation that replaced this one, or that the page's owner turned
        // down, is not a failure the user needs to hear about.
        case WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE:
            return URLErrorCancelled;
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI:
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_MIME_TYPE:
        case WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT:
            return URLErrorUnsupportedURL;
        default:
            return URLErrorUnknown;
        }
    }
    return URLErrorUnknown;
}

URLError WebKitErrorMapping::errorForLoadFailure(const GError* error, const std::string& failingURL)
{
    URLError result;
    result.code = codeForError(error);
    if (error)
        result.message = std::string(g_quark_to_string(error->domain)) + " " + std::to_string(error->code) + ": "
            + (error->message ? error->message : "");
    result.failingURL = failingURL;
    return result;
}
