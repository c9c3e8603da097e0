#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/location/LocationSource.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GError GError;
typedef struct _GVariant GVariant;

// Positions from the GeoClue 2 service over D-Bus (GIO). When the service
// cannot be reached (no system bus, no GeoClue installed) location services
// count as disabled and starting does nothing. A refusal by the service's
// access policy is reported as LocationError::Denied.
class GeoClueLocationSource final : public LocationSource, public std::enable_shared_from_this<GeoClueLocationSource> {
public:
    enum class Bus { System, Session };

    static std::shared_ptr<GeoClueLocationSource> create(Bus = Bus::System, std::string desktopId = "vantrel");
    ~GeoClueLocationSource() override;

    // Whether the service is there: asked once, then remembered.
    bool locationServicesEnabled() override;
    void startUpdatingLocation() override;
    void stopUpdatingLocation() override;
    bool isUpdating() const override { return m_updating; }

private:
    using Reply = std::function<void(GeoClueLocationSource&, GVariant* reply, GError* error)>;
    GeoClueLocationSource(Bus, std::string desktopId);

    void call(const std::string& path, const char* interface, const char* method, GVariant* parameters, Reply);
    void clientCreated(const std::string& path);
    void locationUpdated(const std::string& locationPath);
    void reportFailure(GError*);
    static void signalReceived(GDBusConnection*, const char* sender, const char* path, const char* interface,
        const char* signal, GVariant* parameters, void* data);

    Bus m_busType;
    std::string m_desktopId;
    GRefPtr<GDBusConnection> m_bus;
    std::optional<bool> m_present;
    std::string m_clientPath;
    unsigned m_signalSubscription { 0 };
    bool m_updating { false };
    unsigned m_session { 0 }; // bumped by every start and stop; stale replies are dropped
    std::optional<double> m_lastLatitude;
    std::optional<double> m_lastLongitude;
};
