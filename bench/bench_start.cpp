// Start to an idle main window: the program as its main builds it (offscreen, a home of its
// own), timed from the fork of a new process to the event loop's first turn with the main
// window up. Prints the median and range of 20 starts and writes bench_start.json into --out.
//
//     bench_start [--out DIR] [--starts 20]

#include <QApplication>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "qt/desktop_program.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetMs = 150;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// One start, in the forked child: reports the milliseconds since `forked` down `pipe`.
int startOnce(int argc, char** argv, Clock::time_point forked, int pipe) {
    qInstallMessageHandler(quiet);
    QApplication application(argc, argv);
    penwick::qt::QtUi ui;
    const int code = penwick::qt::runDesktopProgram(ui, [&] {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - forked).count();
        const bool sent = write(pipe, &ms, sizeof ms) == static_cast<ssize_t>(sizeof ms);
        ui.quit(sent ? 0 : 1);
    });
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "build/bench";
    int starts = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--out") out = argv[i + 1];
        if (std::string(argv[i]) == "--starts") starts = std::max(1, std::atoi(argv[i + 1]));
    }
    // Every start on a fresh home, so that no settings of the user's are read or written.
    const auto home =
        std::filesystem::temp_directory_path() / ("penwick-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> times;
    for (int i = 0; i < starts; ++i) {
        int fds[2];
        if (pipe(fds) != 0) return 1;
        const Clock::time_point forked = Clock::now();
        const pid_t child = fork();
        if (child < 0) return 1;
        if (child == 0) {
            close(fds[0]);
            _exit(startOnce(argc, argv, forked, fds[1]));
        }
        close(fds[1]);
        double ms = 0;
        const bool got = read(fds[0], &ms, sizeof ms) == static_cast<ssize_t>(sizeof ms);
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("bench_start: start %d did not reach an idle main window\n", i + 1);
            std::filesystem::remove_all(home);
            return 1;
        }
        times.push_back(ms);
    }
    std::filesystem::remove_all(home);

    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf(
        "start to an idle main window (offscreen, %zu starts): median %.1f ms, "
        "fastest %.1f ms, slowest %.1f ms; target under %.0f ms: %s\n",
        n, median, times.front(), times.back(), kTargetMs, median < kTargetMs ? "met" : "NOT met");

    std::filesystem::create_directories(out);
    std::ofstream json(std::filesystem::path(out) / "bench_start.json");
    json << "{\"starts\": " << n << ", \"median_ms\": " << median
         << ", \"fastest_ms\": " << times.front() << ", \"slowest_ms\": " << times.back()
         << ", \"target_ms\": " << kTargetMs << "}\n";
    return 0;
}
