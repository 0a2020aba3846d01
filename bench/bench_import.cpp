// penwick-contacts import of a large CSV file against SQLite's own `sqlite3 DB ".import --csv"`
// of the same file into a bare table, each a child process run in turn, best of --reps: the
// wall time and the peak resident memory of each. Then, on a throwaway PostgreSQL cluster
// started here, an import of kServerRows rows into a server database against psql's `\copy`
// of the same file into a bare table, and against psql's `\copy` of the same rows into the
// layout's own tables (contacts, and their extra field); and the same import while four writers add
// notes to the database, each note timed. Prints the figures, their ratios and whether the targets
// are met, and writes them to bench_import.json in --out.
//
//     bench_import [--out DIR] [--sizes 200000,1000000] [--reps 3]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "contacts/store.h"
#include "postgres_cluster.h"
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

// The same rows as writeCsv's, split the way the server's layout keeps them: the contacts with
// their numbers, and the identifier as extra field 1 of each. psql loads them into the layout's
// own tables, the floor of any import into that layout.
void writeLayoutCsvs(const std::string& contacts, const std::string& extras, std::size_t rows) {
    std::ofstream c(contacts, std::ios::binary), e(extras, std::ios::binary);
    const char* cities[] = {"Leeds", "York", "Hull", "Bradford", "Sheffield", "Wakefield"};
    char line[256];
    for (std::size_t i = 1; i <= rows; ++i) {
        int n =
            std::snprintf(line, sizeof line,
                          "%zu,Person %zu,\"Firm %zu, Ltd\",+44 113 %07zu,p%zu@example.com,%s\n", i,
                          i, i % 997, i, i, cities[i % 6]);
        c.write(line, n);
        n = std::snprintf(line, sizeof line, "%zu,1,G%07zu\n", i, i);
        e.write(line, n);
    }
}

constexpr std::size_t kServerRows = 100000;
constexpr int kWriters = 4;

Measure best(const Measure& x, const Measure& y) {
    return Measure{std::min(x.seconds, y.seconds), std::max(x.peakMb, y.peakMb),
                   std::min(x.cpuSeconds, y.cpuSeconds)};
}

// What one writer saw: notes written and the longest any one took, before the import and
// while it ran.
struct WriterSeen {
    std::int64_t before = 0, during = 0;
    double longestBefore = 0, longestDuring = 0;
};

// Adds notes to contacts 1..contacts of `uri`, one committed note at a time, until `stop`.
void writeNotes(const std::string& uri, int k, std::int64_t contacts,
                const std::atomic<bool>& importing, const std::atomic<bool>& stop,
                WriterSeen& seen) {
    penwick::contacts::Store store(uri);
    std::int64_t run = 0;
    for (std::int64_t i = 0; !stop; ++i) {
        penwick::contacts::NoteRecord note;
        note.contact = 1 + (k * contacts / kWriters + i) % contacts;
        note.text = "written during an import";
        note.dateText = note.date = "2026-03-07";
        const bool during = importing;
        const auto start = std::chrono::steady_clock::now();
        store.addNote(note, run, "bench", true);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        (during ? seen.during : seen.before)++;
        double& longest = during ? seen.longestDuring : seen.longestBefore;
        longest = std::max(longest, took);
    }
}

struct ServerFigures {
    Measure ours{1e9, 0, 1e9}, psql{1e9, 0, 1e9};
    Measure psqlLayout{1e9, 0, 1e9};  // psql's \copy of the same rows into the layout's tables
    double withWriters = 0;           // the import's seconds while the writers wrote
    WriterSeen writers;               // summed, longest of all
};

ServerFigures measureServer(const std::string& tool, const std::string& csv, int reps) {
    penwick::testing::PostgresCluster cluster;
    ServerFigures f;
    const std::string contacts = csv + ".contact", extras = csv + ".extra";
    writeLayoutCsvs(contacts, extras, kServerRows);
    for (int rep = 0; rep < reps; ++rep) {
        const auto layout = cluster.createDatabase();
        runChild({tool, "init", layout.uri});
        cluster.execute(layout.name, "INSERT INTO extra_field(name) VALUES ('id')");
        f.psqlLayout = best(
            f.psqlLayout,
            runChild({"psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", layout.uri, "-c", "BEGIN", "-c",
                      "\\copy contact(id, name, company, phone, email, city) FROM '" + contacts +
                          "' WITH (FORMAT csv)",
                      "-c",
                      "\\copy contact_extra(contact_id, field_id, value) FROM '" + extras +
                          "' WITH (FORMAT csv)",
                      "-c", "COMMIT"}));
        const auto ours = cluster.createDatabase();
        runChild({tool, "init", ours.uri});
        f.ours = best(f.ours, runChild({tool, "import", ours.uri, csv}));
        const auto bare = cluster.createDatabase();
        cluster.execute(bare.name,
                        "CREATE TABLE bare(id text, name text, company text, phone text, "
                        "email text, city text)");
        f.psql =
            best(f.psql, runChild({"psql", "-X", "-q", bare.uri, "-c",
                                   "\\copy bare FROM '" + csv + "' WITH (FORMAT csv, HEADER)"}));
    }

    // Writers on a database that holds contacts already, then the import into it.
    const auto shared = cluster.createDatabase();
    constexpr std::int64_t kContacts = 1000;
    penwick::contacts::Store::create(shared.uri, [](penwick::contacts::Store& store) {
        store.addContacts(std::vector<penwick::contacts::ContactFields>(
            kContacts, {"Pat Doe", "Acme", "555", "p@x", "Town"}));
    });
    std::atomic<bool> importing{false}, stop{false};
    std::vector<WriterSeen> seen(kWriters);
    std::vector<std::thread> writers;
    for (int k = 0; k < kWriters; ++k) {
        writers.emplace_back([&, k] {
            try {
                writeNotes(shared.uri, k, kContacts, importing, stop, seen[std::size_t(k)]);
            } catch (const std::exception& e) {
                std::cerr << "bench_import: writer " << k << ": " << e.what() << "\n";
            } catch (...) {
                std::cerr << "bench_import: writer " << k << " failed\n";
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    importing = true;
    try {
        f.withWriters = runChild({tool, "import", shared.uri, csv}).seconds;
    } catch (...) {
        stop = true;
        for (auto& w : writers) w.join();
        throw;
    }
    stop = true;
    for (auto& w : writers) w.join();
    for (const WriterSeen& w : seen) {
        f.writers.before += w.before;
        f.writers.during += w.during;
        f.writers.longestBefore = std::max(f.writers.longestBefore, w.longestBefore);
        f.writers.longestDuring = std::max(f.writers.longestDuring, w.longestDuring);
    }
    if (f.writers.during == 0)
        throw std::runtime_error("the writers wrote nothing during the import");
    return f;
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
        json << "], \"server\": ";
        const std::string csv = work + "/server.csv";
        writeCsv(csv, kServerRows);
        const ServerFigures f = measureServer(tool, csv, reps);
        const double ratio = f.ours.seconds / f.psql.seconds;
        std::printf(
            "%8zu rows into a server: import %.2f s (CPU %.2f s), peak %.1f MB; psql \\copy into "
            "a bare table %.2f s; time ratio %.2f\n",
            kServerRows, f.ours.seconds, f.ours.cpuSeconds, f.ours.peakMb, f.psql.seconds, ratio);
        std::printf(
            "%8zu rows into a server's own tables by psql \\copy (contacts, then their extra "
            "field) %.2f s: %.2fx the bare table; the import is %.2fx that\n",
            kServerRows, f.psqlLayout.seconds, f.psqlLayout.seconds / f.psql.seconds,
            f.ours.seconds / f.psqlLayout.seconds);
        const double before = 2.0;  // the writers' head start, in seconds
        std::printf(
            "%d writers during a %zu-row import into their database (import %.2f s): %lld notes "
            "(%.0f/s), the longest %.1f ms; before it %.0f notes/s, the longest %.1f ms\n",
            kWriters, kServerRows, f.withWriters, static_cast<long long>(f.writers.during),
            double(f.writers.during) / f.withWriters, f.writers.longestDuring * 1000,
            double(f.writers.before) / before, f.writers.longestBefore * 1000);
        // Not held up for the import's length: no note waited a tenth of it.
        const bool notHeld = f.writers.longestDuring < f.withWriters / 10;
        met = met && ratio <= 1.5 && notHeld;
        json << "{\"rows\": " << kServerRows << ", \"import_s\": " << f.ours.seconds
             << ", \"psql_copy_s\": " << f.psql.seconds << ", \"ratio\": " << ratio
             << ", \"psql_copy_layout_s\": " << f.psqlLayout.seconds
             << ", \"with_writers_import_s\": " << f.withWriters << ", \"writers\": " << kWriters
             << ", \"notes_during\": " << f.writers.during
             << ", \"longest_note_during_s\": " << f.writers.longestDuring
             << ", \"longest_note_before_s\": " << f.writers.longestBefore << "}";
    } catch (const std::exception& e) {
        std::cerr << "bench_import: " << e.what() << "\n";
        return 1;
    }
    std::filesystem::remove_all(work);
    std::printf(
        "targets: time <= 1.5x sqlite3, peak < 50 MB; server import <= 1.5x psql \\copy, no "
        "note held up for a tenth of the import: %s\n",
        met ? "met" : "MISSED");
    json << ", \"targets\": {\"ratio_max\": 1.5, \"peak_mb_max\": 50}, \"met\": "
         << (met ? "true" : "false") << "}";
    std::ofstream(std::filesystem::path(outDir) / "bench_import.json") << json.str() << "\n";
    return 0;
}
