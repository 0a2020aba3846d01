// penwick-contacts import of a large CSV file against SQLite's own `sqlite3 DB ".import --csv"`
// of the same file into a bare table, each a child process run in turn, best of --reps: the
// wall time and the peak resident memory of each. Prints both, their ratios and whether the
// targets are met, and writes them to bench_import.json in --out.
//
//     bench_import [--out DIR] [--sizes 200000,1000000] [--reps 3]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "sized_options.h"

namespace {

struct Measure {
    double seconds = 0;
    double peakMb = 0;
    double cpuSeconds = 0;  // user and system: what other work on the machine does not change
};

// Runs the program with its output thrown away; the time it took and its peak resident set.
Measure runChild(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start " + command[0]);
    if (child == 0) {
        if (std::FILE* null = std::freopen("/dev/null", "w", stdout); null == nullptr) _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        throw std::runtime_error(command[0] + " " + command[1] + " failed");
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return {took.count(), static_cast<double>(usage.ru_maxrss) / 1024.0,  // ru_maxrss is KiB
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// A file shaped like a contact export: a source identifier, the five fields under the names
// exports give them, one of them quoted.
void writeCsv(const std::string& path, std::size_t rows) {
    std::ofstream out(path, std::ios::binary);
    out << "id,Full Name,Company Name,Business Phone,E-mail Address,Business City\r\n";
    const char* cities[] = {"Leeds", "York", "Hull", "Bradford", "Sheffield", "Wakefield"};
    char line[256];
    for (std::size_t i = 1; i <= rows; ++i) {
        const int n = std::snprintf(line, sizeof line,
                                    "G%07zu,Person %zu,\"Firm %zu, Ltd\",+44 113 %07zu,"
                                    "p%zu@example.com,%s\r\n",
                                    i, i, i % 997, i, i, cities[i % 6]);
        out.write(line, n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto options =
        penwick::bench::parseSizedOptions(argc, argv, "bench_import", {200000, 1000000});
    if (!options) return 2;
    const std::string& outDir = options->out;
    const std::vector<std::size_t>& sizes = options->sizes;
    const int reps = options->reps;
    // penwick-contacts is built beside this program.
    const std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "penwick-contacts")
            .string();
    std::filesystem::create_directories(outDir);
    const std::string work = outDir + "/import-work";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    std::ostringstream json;
    json << "{\"sizes\": [";
    bool met = true;
    try {
        for (std::size_t n : sizes) {
            const std::string csv = work + "/contacts.csv";
            writeCsv(csv, n);
            const double mb = static_cast<double>(std::filesystem::file_size(csv)) / 1e6;
            Measure ours{1e9, 0, 1e9}, theirs{1e9, 0, 1e9};
            for (int rep = 0; rep < reps; ++rep) {
                const std::string db = work + "/import.pwdb", bare = work + "/bare.db";
                std::filesystem::remove(db);
                std::filesystem::remove(bare);
                runChild({tool, "init", db});
                const Measure a = runChild({tool, "import", db, csv});
                const Measure b = runChild({"sqlite3", bare, ".import --csv " + csv + " t"});
                const auto best = [](const Measure& x, const Measure& y) {
                    return Measure{std::min(x.seconds, y.seconds), std::max(x.peakMb, y.peakMb),
                                   std::min(x.cpuSeconds, y.cpuSeconds)};
                };
                ours = best(ours, a);
                theirs = best(theirs, b);
            }
            const double ratio = ours.seconds / theirs.seconds;
            std::printf(
                "%8zu rows (%.0f MB): import %.2f s (CPU %.2f s), peak %.1f MB; sqlite3 .import "
                "%.2f s (CPU %.2f s), peak %.1f MB; time ratio %.2f\n",
                n, mb, ours.seconds, ours.cpuSeconds, ours.peakMb, theirs.seconds,
                theirs.cpuSeconds, theirs.peakMb, ratio);
            std::fflush(stdout);
            met = met && ratio <= 1.5 && ours.peakMb < 50;
            json << (n == sizes.front() ? "" : ", ") << "{\"rows\": " << n << ", \"mb\": " << mb
                 << ", \"import_s\": " << ours.seconds << ", \"import_cpu_s\": " << ours.cpuSeconds
                 << ", \"import_peak_mb\": " << ours.peakMb << ", \"sqlite3_s\": " << theirs.seconds
                 << ", \"sqlite3_cpu_s\": " << theirs.cpuSeconds
                 << ", \"sqlite3_peak_mb\": " << theirs.peakMb << ", \"ratio\": " << ratio << "}";
        }
    } catch (const std::exception& e) {
        std::cerr << "bench_import: " << e.what() << "\n";
        return 1;
    }
    std::filesystem::remove_all(work);
    std::printf("targets: time <= 1.5x sqlite3, peak < 50 MB: %s\n", met ? "met" : "MISSED");
    json << "], \"targets\": {\"ratio_max\": 1.5, \"peak_mb_max\": 50}, \"met\": "
         << (met ? "true" : "false") << "}";
    std::ofstream(std::filesystem::path(outDir) / "bench_import.json") << json.str() << "\n";
    return 0;
}
