// Cancel during a long write-note run to the process's exit: the program as users start it
// (Qt offscreen, the embedded contact manager, a home of its own), on a lookup of 100,000
// contacts. The child fills in the note, starts the run, answers the confirmation and, once
// the run is under way, clicks Cancel; the parent times from that click to the child's exit.
// Both sides read the same monotonic clock. Prints the median and slowest of the runs, checks
// that each run stopped part way, and writes bench_cancel.json into --out.
//
//     bench_cancel [--out DIR] [--contacts 100000] [--runs 5]

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

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

#include "contacts/session.h"
#include "contacts/store.h"
#include "qt/desktop_program.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetMs = 100;
// Cancel is clicked once the caption shows this many contacts updated: well inside the run.
constexpr int kUpdatedBeforeCancel = 2000;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

template <class W>
W* find(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() != u"frmNoteUpdate") continue;
        if (auto* w = top->findChild<W*>(QString::fromLatin1(name))) return w;
    }
    std::fprintf(stderr, "bench_cancel: no %s in the main window\n", name);
    std::_Exit(3);
}

// Answers the confirmation the run asks for, once it is up.
void answerYes() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
        QTimer::singleShot(5, answerYes);
        return;
    }
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    if (yes == nullptr) {
        std::fprintf(stderr, "bench_cancel: unexpected message: %s\n", qPrintable(box->text()));
        std::_Exit(4);
    }
    yes->click();
}

// The number of contacts the main window's caption says are updated, 0 before the run.
int updatedSoFar() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() != u"frmNoteUpdate") continue;
        static const QString prefix = QStringLiteral("Penwick: Updating ");
        const QString caption = top->windowTitle();
        if (!caption.startsWith(prefix)) return 0;
        return caption.mid(prefix.size()).section(u' ', 0, 0).toInt();
    }
    return 0;
}

// Clicks Cancel once the run is well under way, writing the clock's reading at the click
// down `pipe`. The run lets timers fire between contacts, as it lets every window message.
void cancelDuringRun(int pipe) {
    if (updatedSoFar() < kUpdatedBeforeCancel) {
        QTimer::singleShot(1, [pipe] { cancelDuringRun(pipe); });
        return;
    }
    const auto at = Clock::now().time_since_epoch().count();
    if (write(pipe, &at, sizeof at) != static_cast<ssize_t>(sizeof at)) std::_Exit(5);
    find<QAbstractButton>("cmdCancel")->click();
}

// In the forked child: starts the run and cancels it.
int runOnce(int argc, char** argv, int pipe) {
    qInstallMessageHandler(quiet);
    QApplication application(argc, argv);
    penwick::qt::QtUi ui;
    return penwick::qt::runDesktopProgram(ui, [pipe] {
        find<QComboBox>("cboNoteType")->setCurrentIndex(1);
        find<QPlainTextEdit>("txtNote")->setPlainText(QStringLiteral("Spring catalogue sent"));
        QTimer::singleShot(0, answerYes);
        QTimer::singleShot(0, [pipe] { cancelDuringRun(pipe); });
        find<QAbstractButton>("cmdWriteNote")->click();
    });
}

std::int64_t noteCount(const std::string& database) {
    penwick::contacts::Store store(database);
    std::int64_t n = 0;
    store.forEachNote([&](const penwick::contacts::StoredNote&) { ++n; });
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "build/bench";
    std::size_t contacts = 100000;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--out") out = argv[i + 1];
        if (option == "--contacts") contacts = std::max(1L, std::atol(argv[i + 1]));
        if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    // A home of its own: the session names the benchmark's database, and no settings of the
    // user's are read or written.
    const auto home =
        std::filesystem::temp_directory_path() / ("penwick-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const std::string database = (home / "bench.pwdb").string();
    penwick::contacts::Store::create(database);
    {
        penwick::contacts::Store store(database);
        store.addContacts(std::vector<penwick::contacts::ContactFields>(
            contacts, {"Pat Doe", "Acme", "555", "p@x", "Town"}));
    }
    penwick::contacts::writeSession(penwick::contacts::defaultSessionPath(), {database, "", {}});

    std::vector<double> times;
    std::int64_t notesBefore = 0;
    bool failed = false;
    for (int i = 0; i < runs && !failed; ++i) {
        int fds[2];
        if (pipe(fds) != 0) return 1;
        const pid_t child = fork();
        if (child < 0) return 1;
        if (child == 0) {
            close(fds[0]);
            _exit(runOnce(argc, argv, fds[1]));
        }
        close(fds[1]);
        Clock::rep clicked = 0;
        const bool got = read(fds[0], &clicked, sizeof clicked) == sizeof clicked;
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        const auto exited = Clock::now().time_since_epoch().count();
        const std::int64_t notes = noteCount(database);
        const std::int64_t written = notes - notesBefore;
        notesBefore = notes;
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("bench_cancel: run %d did not end by Cancel (status %d)\n", i + 1, status);
            failed = true;
        } else if (written <= 0 || written >= static_cast<std::int64_t>(contacts)) {
            // Cancel must land inside the run, or the figure measures something else.
            std::printf("bench_cancel: run %d wrote %lld of %zu notes; not stopped part way\n",
                        i + 1, static_cast<long long>(written), contacts);
            failed = true;
        } else {
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::duration(exited - clicked))
                    .count());
        }
    }
    std::filesystem::remove_all(home);
    if (failed) return 1;

    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf(
        "Cancel during a %zu-contact run to the process's exit (%zu runs): median %.1f ms, "
        "fastest %.1f ms, slowest %.1f ms; target under %.0f ms: %s\n",
        contacts, n, median, times.front(), times.back(), kTargetMs,
        median < kTargetMs ? "met" : "NOT met");

    std::filesystem::create_directories(out);
    std::ofstream json(std::filesystem::path(out) / "bench_cancel.json");
    json << "{\"contacts\": " << contacts << ", \"runs\": " << n << ", \"median_ms\": " << median
         << ", \"fastest_ms\": " << times.front() << ", \"slowest_ms\": " << times.back()
         << ", \"target_ms\": " << kTargetMs << "}\n";
    return 0;
}
