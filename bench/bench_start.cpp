// Start to a visible main window, beside a bare Qt window of the same size: each start is a
// new process, forked from this one, on the xcb platform of an X server (DISPLAY's, or an Xvfb
// of the benchmark's own when none is set). Penwick starts as its main starts it (the user's
// locale, the keyring, a home of its own); the bare start makes a QApplication and shows an
// empty QWidget; for scale, a third start shows that window with one label on it, the least a
// window with any text pays for fonts. Each is timed from the fork to the end of the first
// expose of its window, which paints it, and by the processor time it used until then. They
// take turns, so that a slow moment of the machine falls on all. Prints each side's median
// and range, the ratio of the medians and that of the processor times, and writes
// bench_start.json and (merged under "start") results.json into --out.
//
//     bench_start [--out DIR] [--starts 20]

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/note_update_form.h"
#include "keyring/qt_keychain.h"
#include "qt/desktop_program.h"
#include "results_json.h"
#include "ui/description.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetRatio = 1.3;

// Only what ends a start is worth printing.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "bench_start: %s\n", qPrintable(message));
}

// What one start took: the milliseconds from the fork, and the processor time the start
// itself used, which other programs busy on the machine hardly change.
struct Took {
    double ms = 0;
    double cpuMs = 0;
};

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Ends the start once a top-level window has been exposed and painted: sends what it took
// down `pipe` and leaves at once, so that nothing after it is timed.
class TimedApplication final : public QApplication {
public:
    TimedApplication(int& argc, char** argv, Clock::time_point forked, int pipe)
        : QApplication(argc, argv), forked_(forked), pipe_(pipe) {}

    bool notify(QObject* receiver, QEvent* event) override {
        const bool expose = event->type() == QEvent::Expose;
        const bool result = QApplication::notify(receiver, event);
        if (expose) {
            const auto* window = qobject_cast<QWindow*>(receiver);
            if (window != nullptr && window->isTopLevel() && window->isExposed()) {
                const Took took{
                    std::chrono::duration<double, std::milli>(Clock::now() - forked_).count(),
                    cpuMilliseconds()};
                const bool sent =
                    write(pipe_, &took, sizeof took) == static_cast<ssize_t>(sizeof took);
                std::_Exit(sent ? 0 : 1);
            }
        }
        return result;
    }

private:
    Clock::time_point forked_;
    int pipe_;
};

enum class Side { Bare, Label, Penwick };

int startOnce(Side side, int argc, char** argv, Clock::time_point forked, int pipe) {
    qInstallMessageHandler(quiet);
    if (side != Side::Penwick) {
        TimedApplication application(argc, argv, forked, pipe);
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
        const penwick::ui::WindowDesc& main = penwick::app::noteUpdateDescription();
        QWidget window;
        if (side == Side::Label) new QLabel(QStringLiteral("Note Date"), &window);
        window.resize(penwick::ui::twipsToPixels(main.clientWidth, dpi),
                      penwick::ui::twipsToPixels(main.clientHeight, dpi));
        window.show();
        return QApplication::exec();
    }
    // As the program's main does it.
    std::setlocale(LC_ALL, "");
    TimedApplication application(argc, argv, forked, pipe);
    QApplication::setApplicationName(QStringLiteral("penwick"));
    penwick::qt::QtUi ui;
    penwick::keyring::QtKeychain keyring(QStringLiteral("penwick"));
    return penwick::qt::runDesktopProgram(ui, {}, &keyring);
}

// What one start took, or nothing when it did not show its window.
std::optional<Took> timeStart(Side side, int argc, char** argv) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    const Clock::time_point forked = Clock::now();
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        close(fds[0]);
        startOnce(side, argc, argv, forked, fds[1]);
        _exit(2);  // the window never showed
    }
    close(fds[1]);
    Took took;
    const bool got = read(fds[0], &took, sizeof took) == static_cast<ssize_t>(sizeof took);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (WIFSIGNALED(status))
            std::fprintf(stderr, "bench_start: the start ended by signal %d\n", WTERMSIG(status));
        else
            std::fprintf(stderr, "bench_start: the start ended with code %d\n",
                         WEXITSTATUS(status));
        return std::nullopt;
    }
    return took;
}

// An X server of our own when DISPLAY names none; its process, to be ended at the end. Its
// number is picked well away from the low ones other X servers of the machine take. It does
// not reset when its last client leaves, as each start does: a start that came during the
// reset could not connect.
std::optional<pid_t> startXvfb() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        char display[16];
        std::snprintf(display, sizeof display, ":%d", 200 + (getpid() + attempt * 7) % 600);
        int fds[2];
        if (pipe(fds) != 0) return std::nullopt;
        const pid_t server = fork();
        if (server < 0) return std::nullopt;
        if (server == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", display, "-displayfd", fd.c_str(), "-screen", "0",
                   "1280x1024x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number once it takes connections; nothing when it fails.
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) {
            setenv("DISPLAY", (":" + number).c_str(), 1);
            return server;
        }
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    return std::nullopt;
}

struct Times {
    std::vector<double> ms, cpuMs;
    double median() const { return penwick::bench::median(ms); }
    double fastest() const { return *std::min_element(ms.begin(), ms.end()); }
    double slowest() const { return *std::max_element(ms.begin(), ms.end()); }
    double cpuMedian() const { return penwick::bench::median(cpuMs); }
};

}  // namespace

int main(int argc, char** argv) {
    std::string out = "build/bench";
    int starts = 20;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            out = argv[i + 1];
        } else if (arg == "--starts" && i + 1 < argc) {
            starts = std::max(1, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: bench_start [--out DIR] [--starts N]\n");
            return 2;
        }
    }
    std::optional<pid_t> xvfb;
    if (const char* display = std::getenv("DISPLAY"); display == nullptr || *display == '\0') {
        xvfb = startXvfb();
        if (!xvfb) {
            std::fprintf(stderr, "bench_start: no DISPLAY, and Xvfb would not start\n");
            return 1;
        }
    }
    // Every start on a fresh home, so that no settings of the user's are read or written.
    const auto home =
        std::filesystem::temp_directory_path() / ("penwick-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    Times bare, label, penwick;
    // A start that cannot reach the X server (a busy shared machine) is tried again, a few
    // times in all; a side that never shows its window fails the benchmark.
    int failures = 0;
    constexpr int kMaxFailures = 3;
    for (int i = 0; i < starts && failures < kMaxFailures; ++i) {
        for (const Side side : i % 2 == 0 ? std::vector{Side::Bare, Side::Label, Side::Penwick}
                                          : std::vector{Side::Penwick, Side::Label, Side::Bare}) {
            std::optional<Took> took;
            while (!took && failures < kMaxFailures) {
                took = timeStart(side, argc, argv);
                if (!took) {
                    std::fprintf(stderr, "bench_start: a %s start did not show its window\n",
                                 side == Side::Penwick ? "Penwick" : "bare");
                    ++failures;
                }
            }
            if (!took) break;
            Times& times = side == Side::Bare ? bare : side == Side::Label ? label : penwick;
            times.ms.push_back(took->ms);
            times.cpuMs.push_back(took->cpuMs);
        }
    }
    const bool failed = failures >= kMaxFailures;
    std::filesystem::remove_all(home);
    if (xvfb) {
        kill(*xvfb, SIGTERM);
        waitpid(*xvfb, nullptr, 0);
    }
    if (failed) return 1;

    const double ratio = penwick.median() / bare.median();
    const double cpuRatio = penwick.cpuMedian() / bare.cpuMedian();
    const double labelRatio = penwick.median() / label.median();
    std::printf(
        "start to a visible window (xcb, %d starts each): Penwick median %.1f ms (%.1f-%.1f), "
        "bare Qt window median %.1f ms (%.1f-%.1f), ratio %.2f; target at most %.1f: %s\n"
        "processor time to the visible window: Penwick median %.1f ms, bare %.1f ms, "
        "ratio %.2f\n"
        "a bare window showing one label: median %.1f ms (%.1f-%.1f), processor %.1f ms; "
        "Penwick to it %.2f\n",
        starts, penwick.median(), penwick.fastest(), penwick.slowest(), bare.median(),
        bare.fastest(), bare.slowest(), ratio, kTargetRatio,
        ratio <= kTargetRatio ? "met" : "NOT met", penwick.cpuMedian(), bare.cpuMedian(), cpuRatio,
        label.median(), label.fastest(), label.slowest(), label.cpuMedian(), labelRatio);

    std::ostringstream json;
    json << "{\"starts\": " << starts << ", \"median_ms\": " << penwick.median()
         << ", \"fastest_ms\": " << penwick.fastest() << ", \"slowest_ms\": " << penwick.slowest()
         << ", \"bare_median_ms\": " << bare.median() << ", \"ratio\": " << ratio
         << ", \"cpu_median_ms\": " << penwick.cpuMedian()
         << ", \"bare_cpu_median_ms\": " << bare.cpuMedian() << ", \"cpu_ratio\": " << cpuRatio
         << ", \"label_median_ms\": " << label.median() << ", \"label_ratio\": " << labelRatio
         << ", \"target_ratio\": " << kTargetRatio
         << ", \"met\": " << (ratio <= kTargetRatio ? "true" : "false") << "}";
    std::filesystem::create_directories(out);
    std::ofstream(std::filesystem::path(out) / "bench_start.json") << json.str() << "\n";
    penwick::bench::mergeInto(std::filesystem::path(out) / "results.json", "start", json.str());
    return 0;
}
