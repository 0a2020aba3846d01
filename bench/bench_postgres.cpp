// The contact database on a PostgreSQL server, over the local socket of a throwaway cluster
// started here (fsync on, as a server that keeps its data has it: each note's commit reaching
// the disk is what is measured).
//   - The whole update loop of a write-note run, against the engine's own limit measured in
//     the same run: bare libpq inserts of the same note rows into the same table, each its own
//     committed transaction, synchronous_commit on as the program sets it.
//   - Four programs writing at once over lookups that share contacts, against one alone: total
//     notes/s, every note there exactly once, and how busy the processors were meanwhile.
// Prints the figures and ratios, and writes them to bench_postgres.json and (merged under
// "postgres") results.json in --out.
//
//     bench_postgres [--out DIR] [--sizes 1000,10000] [--reps 3]
// The last size is also the number of notes each concurrent writer writes.

#include <libpq-fe.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "contacts/store.h"
#include "postgres_cluster.h"
#include "program_run.h"
#include "results_json.h"
#include "sized_options.h"
#include "util/failure.h"
#include "util/text.h"

namespace {

using namespace penwick;
using bench::fixed;
using testing::PostgresCluster;
using Clock = std::chrono::steady_clock;

constexpr double kRatioTarget = 0.8;
constexpr int kWriters = 4;

// Thrown, so that the cluster is stopped and removed on the way out.
[[noreturn]] void die(const std::string& why) {
    throw std::runtime_error(why);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// --- bare libpq --------------------------------------------------------------------------------

class Bare {
public:
    explicit Bare(const std::string& uri) : connection_(PQconnectdb(uri.c_str())) {
        if (PQstatus(connection_) != CONNECTION_OK) die(PQerrorMessage(connection_));
        // As the program's own connection has it.
        exec("SET synchronous_commit = on");
    }
    ~Bare() { PQfinish(connection_); }
    Bare(const Bare&) = delete;
    Bare& operator=(const Bare&) = delete;

    void exec(const char* sql) { check(PQexec(connection_, sql), sql); }
    // Parameters typed as the engine types them: 20 (bigint) for a number, 0 (the server
    // tells) for a text.
    void prepare(const char* name, const char* sql, const std::vector<Oid>& types) {
        check(PQprepare(connection_, name, sql, int(types.size()), types.data()), sql);
    }
    // A null pointer is SQL NULL.
    void execPrepared(const char* name, const std::vector<const char*>& values) {
        check(PQexecPrepared(connection_, name, int(values.size()), values.data(), nullptr, nullptr,
                             0),
              name);
    }
    PGconn* get() { return connection_; }

    static void check(PGresult* result, const char* what) {
        const auto status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            die(std::string(what) + ": " + why);
        }
        PQclear(result);
    }

private:
    PGconn* connection_;
};

constexpr const char* kBareInsert =
    "INSERT INTO note(contact_id, run_id, type_code, text, attachment, date_text, date, time, "
    "written_at, user_name) VALUES ($1, 1, 101, 'Spring catalogue sent', NULL, '3/7/2026', "
    "'2026-03-07', NULL, '2026-03-07T10:00:00.000Z', 'bench')";

void addBenchRun(Bare& db) {
    db.exec(
        "INSERT INTO run(started_at, user_name, host, pid) "
        "VALUES ('2026-03-07T00:00:00.000Z', 'bench', 'host', 1)");
}

// The engine's limit: the note rows alone, each an autocommitted INSERT.
double bareInserts(const std::string& uri, std::size_t n) {
    Bare db(uri);
    addBenchRun(db);
    const auto start = Clock::now();
    for (std::size_t i = 1; i <= n; ++i) {
        const std::string contact = std::to_string(i);
        const char* values[] = {contact.c_str()};
        Bare::check(PQexecParams(db.get(), kBareInsert, 1, nullptr, values, nullptr, nullptr, 0),
                    "insert");
    }
    return seconds(Clock::now() - start);
}

// --- the program -------------------------------------------------------------------------------

struct Scratch {
    PostgresCluster& cluster;
    std::string folder;  // session files and lookup files

    // A new database with `n` contacts.
    PostgresCluster::Database database(std::size_t n) {
        auto db = cluster.createDatabase();
        bench::createWithContacts(db.uri, n);
        return db;
    }
    std::string subfolder(const std::string& name) {
        const std::string path = folder + "/" + name;
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }
    std::int64_t count(const PostgresCluster::Database& db, const std::string& sql) {
        return std::stoll(*cluster.query(db.name, sql).at(0).at(0));
    }
};

// A write-note run through the whole program to every contact of a new database.
double programRun(Scratch& scratch, std::size_t n) {
    const auto db = scratch.database(n);
    bench::ProgramRun program(db.uri, scratch.subfolder("loop"));
    const double elapsed = program.write();
    if (!program.finished()) die("the run did not finish:\n" + program.messages());
    const auto notes = scratch.count(db, "SELECT count(*) FROM note");
    if (notes != std::int64_t(n))
        die("the run wrote " + std::to_string(notes) + " of " + std::to_string(n) + " notes");
    return elapsed;
}

// What a writer process reports on its pipe: when it clicked and when its run ended, on the
// clock all processes share.
struct WriterReport {
    int writer;
    int finished;
    std::int64_t startNs, endNs;
};

[[noreturn]] void writeAndExit(const std::string& uri, const std::string& folder,
                               std::vector<std::int64_t> lookup, int writer, int go, int report) {
    int status = 1;
    try {
        bench::ProgramRun program(uri, folder, {contacts::LookupQuery::Kind::Ids, {}, lookup});
        char byte;
        while (read(go, &byte, 1) < 0 && errno == EINTR) {
        }
        const auto start = Clock::now();
        program.write();
        const auto end = Clock::now();
        const auto ns = [](Clock::time_point t) {
            return std::int64_t(
                std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
        };
        const WriterReport r{writer, program.finished() ? 1 : 0, ns(start), ns(end)};
        if (!program.finished()) std::cerr << program.messages();
        status = write(report, &r, sizeof r) == sizeof r && r.finished ? 0 : 1;
    } catch (const Failure& failure) {
        std::cerr << toUtf8(failure.description()) << "\n";
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
    }
    _exit(status);
}

// `writers` programs in processes of their own, each writing one note to `perWriter`
// contacts, writer k starting at contact k * perWriter / 2 + 1, all clicking at once. The
// seconds from the first click to the last run's end; every note is checked to be there
// exactly once.
// The machine's processor time so far, busy and in all (in clock ticks, every core).
struct CpuTime {
    long long busy = 0, total = 0;
};
CpuTime cpuTime() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    const long long busy = user + nice + system + irq + softirq + steal;
    return {busy, busy + idle + iowait};
}

struct WritersResult {
    double seconds = 0;
    // The share of the machine's processors that was busy meanwhile (the writers', the
    // server's and anyone else's): what limits several writers on a small machine.
    double busy = 0;
};

WritersResult concurrentRuns(Scratch& scratch, int writers, std::size_t perWriter) {
    const std::size_t step = perWriter / 2;
    const auto db = scratch.database(step * std::size_t(writers - 1) + perWriter);
    int go[2], report[2];
    if (pipe(go) != 0 || pipe(report) != 0) die("no pipe");
    std::vector<pid_t> children;
    for (int k = 0; k < writers; ++k) {
        std::vector<std::int64_t> lookup(perWriter);
        std::iota(lookup.begin(), lookup.end(), std::int64_t(std::size_t(k) * step + 1));
        const std::string folder = scratch.subfolder("writer" + std::to_string(k));
        const pid_t child = fork();
        if (child < 0) die("cannot fork");
        if (child == 0) {
            close(go[1]);
            close(report[0]);
            writeAndExit(db.uri, folder, lookup, k, go[0], report[1]);
        }
        children.push_back(child);
    }
    close(go[0]);
    close(report[1]);
    sleep(1);  // every program up and filled in
    const CpuTime before = cpuTime();
    close(go[1]);

    std::vector<WriterReport> reports;
    for (;;) {
        pollfd p{report[0], POLLIN, 0};
        if (poll(&p, 1, 600'000) <= 0) {
            for (pid_t child : children) kill(child, SIGKILL);
            die("the writers did not end within ten minutes (deadlock?)");
        }
        WriterReport r;
        const ssize_t got = read(report[0], &r, sizeof r);
        if (got == 0) break;
        if (got != sizeof r) die("a short report from a writer");
        reports.push_back(r);
    }
    const CpuTime after = cpuTime();
    close(report[0]);
    bool failed = false;
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        failed |= !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    if (failed || reports.size() != std::size_t(writers)) die("a writer failed (see above)");

    const std::int64_t total = std::int64_t(writers) * std::int64_t(perWriter);
    const auto everything =
        scratch.count(db, "SELECT count(*) FROM note") == total &&
        scratch.count(db, "SELECT count(DISTINCT (run_id, contact_id)) FROM note") == total &&
        scratch.count(db,
                      "SELECT count(*) FROM note n JOIN run_lookup l "
                      "ON l.run_id = n.run_id AND l.contact_id = n.contact_id") == total &&
        scratch.count(db, "SELECT count(*) FROM run WHERE lookup_size = " +
                              std::to_string(perWriter)) == writers;
    if (!everything) die("the notes of the concurrent runs are not each there exactly once");

    std::int64_t first = reports[0].startNs, last = reports[0].endNs;
    for (const auto& r : reports) {
        first = std::min(first, r.startNs);
        last = std::max(last, r.endNs);
    }
    return {double(last - first) / 1e9,
            double(after.busy - before.busy) / double(std::max(1LL, after.total - before.total))};
}

// A rate against the rate it is compared with. The server's disk syncs at a pace that
// wanders with whatever else the machine does: each measurement is taken between two of the
// other and compared with their mean, and the median of those ratios is the figure.
struct Compared {
    double rate = 0, against = 0, ratio = 0;  // notes/s, notes/s: medians
};

template <typename Measure, typename Against>
Compared bracketed(int reps, Measure measure, Against against) {
    std::vector<double> rates, others, ratios;
    double before = against();
    others.push_back(before);
    for (int rep = 0; rep < reps; ++rep) {
        const double rate = measure();
        const double after = against();
        rates.push_back(rate);
        others.push_back(after);
        ratios.push_back(rate / ((before + after) / 2));
        before = after;
    }
    return {bench::median(rates), bench::median(others), bench::median(ratios)};
}

struct SizeFigures {
    std::size_t n;
    Compared loop;  // against bare libpq
};

// The machine is shared: other work on it shows in the concurrent figures above all.
double loadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options =
        penwick::bench::parseSizedOptions(argc, argv, "bench_postgres", {1000, 10000});
    if (!options) return 2;
    const std::string& outDir = options->out;
    const int reps = options->reps;
    std::filesystem::create_directories(outDir);
    const std::string work = std::filesystem::absolute(outDir + "/postgres-work").string();
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    std::vector<SizeFigures> sizes;
    Compared concurrent;
    std::pair<double, double> busy;  // processors busy with all writers, with one
    const std::size_t perWriter = options->sizes.back();
    try {
        PostgresCluster cluster;
        Scratch scratch{cluster, work};
        const auto settings =
            cluster.query("postgres",
                          "SELECT current_setting('fsync'), current_setting('synchronous_commit'), "
                          "current_setting('wal_sync_method'), current_setting('server_version')");
        std::printf(
            "PostgreSQL %s, fsync %s, synchronous_commit %s, wal_sync_method %s; "
            "load average %.2f on %ld cores\n",
            settings[0][3]->c_str(), settings[0][0]->c_str(), settings[0][1]->c_str(),
            settings[0][2]->c_str(), loadAverage(), sysconf(_SC_NPROCESSORS_ONLN));

        bareInserts(scratch.database(500).uri, 500);  // a warm-up
        const auto bare = [&](std::size_t n) {
            return double(n) / bareInserts(scratch.database(n).uri, n);
        };
        for (std::size_t n : options->sizes) {
            const Compared loop = bracketed(
                reps, [&] { return double(n) / programRun(scratch, n); }, [&] { return bare(n); });
            sizes.push_back({n, loop});
            std::printf(
                "%6zu contacts: loop %7.1f notes/s, bare libpq %7.1f notes/s, ratio %.3f, "
                "%6.1f us/note against %6.1f\n",
                n, loop.rate, loop.against, loop.ratio, 1e6 / loop.rate, 1e6 / loop.against);
            std::fflush(stdout);
        }

        const double notes = double(perWriter);
        std::vector<double> busyAll, busyOne;
        concurrent = bracketed(
            reps,
            [&] {
                const auto r = concurrentRuns(scratch, kWriters, perWriter);
                busyAll.push_back(r.busy);
                return kWriters * notes / r.seconds;
            },
            [&] {
                const auto r = concurrentRuns(scratch, 1, perWriter);
                busyOne.push_back(r.busy);
                return notes / r.seconds;
            });
        busy = {bench::median(busyAll), bench::median(busyOne)};
    } catch (const Failure& failure) {
        std::cerr << "bench_postgres: " << toUtf8(failure.description()) << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "bench_postgres: " << error.what() << "\n";
        return 1;
    }
    std::filesystem::remove_all(work);

    std::printf(
        "%d writers of %zu notes at once: %.1f notes/s in all, one writer alone %.1f notes/s, "
        "ratio %.2f; every note there exactly once; processors %.0f%% busy (%.0f%% with one)\n",
        kWriters, perWriter, concurrent.rate, concurrent.against, concurrent.ratio,
        busy.first * 100, busy.second * 100);
    std::printf("load average at the end %.2f\n", loadAverage());
    const SizeFigures& large = sizes.back();
    const bool met = large.loop.ratio >= kRatioTarget;
    std::printf("target at %zu: ratio %.3f (>= %.1f %s)\n", large.n, large.loop.ratio, kRatioTarget,
                met ? "met" : "MISSED");

    std::ostringstream json;
    json << "{\"fsync\": true, \"sizes\": [";
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const SizeFigures& f = sizes[i];
        json << (i ? ", " : "") << "{\"contacts\": " << f.n
             << ", \"notes_per_s\": " << fixed(f.loop.rate, 1)
             << ", \"bare_libpq_notes_per_s\": " << fixed(f.loop.against, 1)
             << ", \"ratio\": " << fixed(f.loop.ratio, 3) << "}";
    }
    json << "], \"concurrent\": {\"writers\": " << kWriters
         << ", \"notes_per_writer\": " << perWriter
         << ", \"notes_per_s\": " << fixed(concurrent.rate, 1)
         << ", \"one_writer_notes_per_s\": " << fixed(concurrent.against, 1)
         << ", \"ratio\": " << fixed(concurrent.ratio, 3) << ", \"each_note_once\": true"
         << ", \"cpu_busy\": " << fixed(busy.first, 2)
         << ", \"one_writer_cpu_busy\": " << fixed(busy.second, 2) << "}"
         << ", \"targets\": {\"ratio_min\": " << kRatioTarget
         << "}, \"met\": " << (met ? "true" : "false") << "}";
    std::ofstream(std::filesystem::path(outDir) / "bench_postgres.json") << json.str() << "\n";
    bench::mergeInto(std::filesystem::path(outDir) / "results.json", "postgres", json.str());
    return 0;
}
