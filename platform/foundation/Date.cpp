#include "platform/foundation/Date.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"

#include <cmath>
#include <ctime>

Date Date::now()
{
    return Date(RunLoop::main().clock().wallTime());
}

double Date::timeIntervalSinceNow() const
{
    return m_seconds - now().m_seconds;
}

std::string Date::formatted(const char* strftimePattern, bool localTime) const
{
    time_t seconds = static_cast<time_t>(std::floor(m_seconds));
    tm parts {};
    if (localTime)
        localtime_r(&seconds, &parts);
    else
        gmtime_r(&seconds, &parts);
    char buffer[256];
    size_t length = strftime(buffer, sizeof buffer, strftimePattern, &parts);
    return std::string(buffer, length);
}
