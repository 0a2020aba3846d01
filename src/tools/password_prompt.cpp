#include "tools/password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace penwick::tools {

namespace {

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::optional<std::string> askPasswordOnTerminal(const std::string& prompt) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return std::nullopt;
    termios saved{};
    if (::tcgetattr(tty, &saved) != 0) {
        ::close(tty);
        return std::nullopt;
    }
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the line break still shows, so the next output starts clean
    writeAll(tty, prompt);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);

    std::optional<std::string> line = std::string();
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(tty, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (line->empty()) line.reset();  // end of input before anything was typed
            break;
        }
        if (c == '\n') break;
        *line += c;
    }
    ::tcsetattr(tty, TCSAFLUSH, &saved);
    ::close(tty);
    if (line && !line->empty() && line->back() == '\r') line->pop_back();
    return line;
}

}  // namespace penwick::tools
