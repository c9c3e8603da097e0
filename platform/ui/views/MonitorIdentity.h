#pragma once

#include <optional>
#include <string>

// Which physical monitor the screen is on, as the desktop names it: the
// maker, the model and the connector it is plugged into, its current mode in
// device pixels and, where the system knows it, its physical size. The host
// sets it; a host without monitors (the headless one) gives a stable
// identity of its own.
struct MonitorIdentity {
    std::string manufacturer;
    std::string model;
    std::string connector;
    int widthPixels { 0 };
    int heightPixels { 0 };
    std::optional<int> widthMillimetres;
    std::optional<int> heightMillimetres;

    // The same monitor whatever its mode: a mode change keeps the monitor's
    // records and only flags what was marked in the old mode.
    bool isSameMonitor(const MonitorIdentity& other) const
    {
        return manufacturer == other.manufacturer && model == other.model && connector == other.connector
            && widthMillimetres == other.widthMillimetres && heightMillimetres == other.heightMillimetres;
    }
    bool operator==(const MonitorIdentity&) const = default;
};
