#include "platform/location/ScriptedLocationSource.h"

void ScriptedLocationSource::startUpdatingLocation()
{
    ++m_startCount;
    m_updating = m_enabled;
}

void ScriptedLocationSource::stopUpdatingLocation()
{
    ++m_stopCount;
    m_updating = false;
}

bool ScriptedLocationSource::deliverLocation(const Location& location)
{
    if (!m_updating)
        return false;
    std::optional<Location> previous = m_lastLocation;
    m_lastLocation = location;
    if (auto* target = delegate())
        target->locationSourceDidUpdateToLocation(*this, location, previous);
    return true;
}

bool ScriptedLocationSource::failWithError(LocationError error)
{
    if (!m_updating)
        return false;
    if (auto* target = delegate())
        target->locationSourceDidFail(*this, error);
    return true;
}
