#include "contacts/system.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace penwick::contacts {

std::string utcTimestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, int(millis));
    return buffer;
}

std::string osUserName() {
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr) {
        return pw->pw_name;
    }
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    return "user";
}

std::string hostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
}

}  // namespace penwick::contacts
