#include "contacts/system.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace penwick::contacts {

std::string utcTimestamp() {
    using namespace std::chrono;
    // Every note is stamped: plain arithmetic on the clock (gmtime_r takes a lock each call)
    // and digits put in place rather than a formatted print.
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    std::string stamp = "0000-00-00T00:00:00.000Z";
    const auto put = [&](std::size_t at, std::size_t width, long value) {
        for (std::size_t i = at + width; i > at; value /= 10) stamp[--i] = char('0' + value % 10);
    };
    put(0, 4, int(date.year()));
    put(5, 2, unsigned(date.month()));
    put(8, 2, unsigned(date.day()));
    put(11, 2, time.hours().count());
    put(14, 2, time.minutes().count());
    put(17, 2, static_cast<long>(time.seconds().count()));
    put(20, 3, static_cast<long>(time.subseconds().count()));
    return stamp;
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
