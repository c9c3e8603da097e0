#include "platform/location/GeoClueLocationSource.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/location/LocationSourceDelegate.h"

#include <gio/gio.h>

#include <cstring>

namespace {

constexpr const char* kService = "org.freedesktop.GeoClue2";
constexpr const char* kManagerPath = "/org/freedesktop/GeoClue2/Manager";
constexpr const char* kManagerInterface = "org.freedesktop.GeoClue2.Manager";
constexpr const char* kClientInterface = "org.freedesktop.GeoClue2.Client";
constexpr const char* kLocationInterface = "org.freedesktop.GeoClue2.Location";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr int kCallTimeoutMilliseconds = 5000;
// GeoClue's accuracy levels run from 0 (none) to 8 (exact); ask for the best,
// as the platform's default accuracy does.
constexpr guint32 kAccuracyLevelExact = 8;

struct PendingCall {
    std::weak_ptr<GeoClueLocationSource> source;
    unsigned session;
    std::function<void(GeoClueLocationSource&, GVariant*, GError*)> reply;
};

} // namespace

std::shared_ptr<LocationSource> LocationSource::createSystemSource()
{
    return GeoClueLocationSource::create();
}

std::shared_ptr<GeoClueLocationSource> GeoClueLocationSource::create(Bus bus, std::string desktopId)
{
    return std::shared_ptr<GeoClueLocationSource>(new GeoClueLocationSource(bus, std::move(desktopId)));
}

GeoClueLocationSource::GeoClueLocationSource(Bus bus, std::string desktopId)
    : m_busType(bus)
    , m_desktopId(std::move(desktopId))
{
}

GeoClueLocationSource::~GeoClueLocationSource()
{
    if (m_bus && m_signalSubscription)
        g_dbus_connection_signal_unsubscribe(m_bus.get(), m_signalSubscription);
}

bool GeoClueLocationSource::locationServicesEnabled()
{
    if (m_present)
        return *m_present;
    m_present = false;
    // Without a bus or an answer there is no location service; the reasons
    // are not wanted.
    GUniqueOutPtr<GError> error;
    m_bus = adoptGRef(
        g_bus_get_sync(m_busType == Bus::System ? G_BUS_TYPE_SYSTEM : G_BUS_TYPE_SESSION, nullptr, error.outPtr()));
    if (!m_bus)
        return false;
    // Running now, or started on demand by the bus: either will do.
    for (const char* method : { "NameHasOwner", "ListActivatableNames" }) {
        bool hasOwner = std::strcmp(method, "NameHasOwner") == 0;
        auto reply = adoptGRef(g_dbus_connection_call_sync(m_bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus", method, hasOwner ? g_variant_new("(s)", kService) : nullptr,
            hasOwner ? G_VARIANT_TYPE("(b)") : G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr,
            error.outPtr()));
        if (!reply)
            continue;
        if (hasOwner) {
            gboolean owned = FALSE;
            g_variant_get(reply.get(), "(b)", &owned);
            m_present = owned;
        } else {
            GUniqueOutPtr<GVariantIter> names;
            g_variant_get(reply.get(), "(as)", names.outPtr());
            const char* name = nullptr;
            while (g_variant_iter_loop(names.get(), "&s", &name)) {
                if (std::strcmp(name, kService) == 0)
                    m_present = true;
            }
        }
        if (*m_present)
            break;
    }
    return *m_present;
}

void GeoClueLocationSource::call(
    const std::string& path, const char* interface, const char* method, GVariant* parameters, Reply reply)
{
    auto* pending = new PendingCall { weak_from_this(), m_session, std::move(reply) };
    g_dbus_connection_call(
        m_bus.get(), kService, path.c_str(), interface, method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE,
        kCallTimeoutMilliseconds, nullptr,
        [](GObject* bus, GAsyncResult* result, gpointer data) {
            std::unique_ptr<PendingCall> pending(static_cast<PendingCall*>(data));
            GUniqueOutPtr<GError> error;
            auto answer = adoptGRef(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, error.outPtr()));
            auto source = pending->source.lock();
            if (source && source->m_updating && pending->session == source->m_session)
                pending->reply(*source, answer.get(), error.get());
        },
        pending);
}

void GeoClueLocationSource::startUpdatingLocation()
{
    if (m_updating || !locationServicesEnabled())
        return;
    m_updating = true;
    ++m_session;
    if (!m_clientPath.empty()) {
        clientCreated(m_clientPath);
        return;
    }
    call(kManagerPath, kManagerInterface, "GetClient", nullptr,
        [](GeoClueLocationSource& self, GVariant* reply, GError* error) {
            if (!reply) {
                self.reportFailure(error);
                return;
            }
            const char* path = nullptr;
            g_variant_get(reply, "(&o)", &path);
            self.m_clientPath = path;
            self.clientCreated(self.m_clientPath);
        });
}

void GeoClueLocationSource::clientCreated(const std::string& path)
{
    auto setProperty = [&](const char* name, GVariant* value, Reply next) {
        call(path, kPropertiesInterface, "Set", g_variant_new("(ssv)", kClientInterface, name, value), std::move(next));
    };
    setProperty(
        "DesktopId", g_variant_new_string(m_desktopId.c_str()), [](GeoClueLocationSource& self, GVariant*, GError*) {
            // The accuracy level is a wish; a service that refuses it still serves.
            self.call(self.m_clientPath, kPropertiesInterface, "Set",
                g_variant_new(
                    "(ssv)", kClientInterface, "RequestedAccuracyLevel", g_variant_new_uint32(kAccuracyLevelExact)),
                [](GeoClueLocationSource& self, GVariant*, GError*) {
                    if (!self.m_signalSubscription) {
                        self.m_signalSubscription
                            = g_dbus_connection_signal_subscribe(self.m_bus.get(), kService, kClientInterface,
                                "LocationUpdated", self.m_clientPath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                signalReceived, new std::weak_ptr<GeoClueLocationSource>(self.weak_from_this()),
                                [](gpointer data) { delete static_cast<std::weak_ptr<GeoClueLocationSource>*>(data); });
                    }
                    self.call(self.m_clientPath, kClientInterface, "Start", nullptr,
                        [](GeoClueLocationSource& self, GVariant* reply, GError* error) {
                            if (!reply)
                                self.reportFailure(error);
                        });
                });
        });
}

void GeoClueLocationSource::signalReceived(
    GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters, void* data)
{
    auto source = static_cast<std::weak_ptr<GeoClueLocationSource>*>(data)->lock();
    if (!source || !source->m_updating || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oo)")))
        return;
    const char* oldPath = nullptr;
    const char* newPath = nullptr;
    g_variant_get(parameters, "(&o&o)", &oldPath, &newPath);
    source->locationUpdated(newPath);
}

void GeoClueLocationSource::locationUpdated(const std::string& locationPath)
{
    call(locationPath, kPropertiesInterface, "GetAll", g_variant_new("(s)", kLocationInterface),
        [](GeoClueLocationSource& self, GVariant* reply, GError*) {
            if (!reply || !g_variant_is_of_type(reply, G_VARIANT_TYPE("(a{sv})")))
                return;
            auto owner = adoptGRef(g_variant_get_child_value(reply, 0));
            GVariant* properties = owner.get();
            Location location;
            bool hasLatitude = g_variant_lookup(properties, "Latitude", "d", &location.latitude);
            bool hasLongitude = g_variant_lookup(properties, "Longitude", "d", &location.longitude);
            if (!g_variant_lookup(properties, "Accuracy", "d", &location.horizontalAccuracy))
                location.horizontalAccuracy = -1;
            guint64 seconds = 0;
            guint64 microseconds = 0;
            if (g_variant_lookup(properties, "Timestamp", "(tt)", &seconds, &microseconds))
                location.timestamp = Date(static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6);
            else
                location.timestamp = Date::now();
            if (!hasLatitude || !hasLongitude)
                return;
            std::optional<Location> previous;
            if (self.m_lastLatitude && self.m_lastLongitude)
                previous = Location { *self.m_lastLatitude, *self.m_lastLongitude, -1, Date() };
            self.m_lastLatitude = location.latitude;
            self.m_lastLongitude = location.longitude;
            if (auto* target = self.delegate())
                target->locationSourceDidUpdateToLocation(self, location, previous);
        });
}

void GeoClueLocationSource::reportFailure(GError* error)
{
    LocationError code = LocationError::LocationUnknown;
    if (error && g_dbus_error_is_remote_error(error)) {
        GUniquePtr<char> name(g_dbus_error_get_remote_error(error));
        if (name && std::strstr(name.get(), "AccessDenied"))
            code = LocationError::Denied;
    }
    if (auto* target = delegate())
        target->locationSourceDidFail(*this, code);
}

void GeoClueLocationSource::stopUpdatingLocation()
{
    if (!m_updating)
        return;
    m_updating = false;
    ++m_session;
    if (m_bus && !m_clientPath.empty()) {
        g_dbus_connection_call(m_bus.get(), kService, m_clientPath.c_str(), kClientInterface, "Stop", nullptr, nullptr,
            G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr, nullptr, nullptr);
    }
}
