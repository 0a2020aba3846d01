// The whole update loop of a write-note run on the embedded contact manager, against the
// storage limit: bare SQLite inserts of the same rows, one committed transaction per row, with
// the same journal and sync settings. Prints notes/s, the ratio to the limit, time per note
// peak memory per contact and the user and system time a note took on each side for each
// lookup size (what is left of a note's time is the disk's), and writes them to
// bench_update_loop.json and (merged under "update_loop") results.json in --out.
//
//     bench_update_loop [--out DIR] [--sizes 1000,10000,100000] [--reps 3]

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "contacts/store.h"
#include "program_run.h"
#include "results_json.h"
#include "sized_options.h"
#include "support/fake_ui.h"
#include "support/fakes.h"
#include "util/failure.h"
#include "util/text.h"

// --- live heap bytes of C++ allocations, and their peak --------------------------------------

namespace {
std::atomic<long long> gLive{0};
std::atomic<long long> gPeak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* allocate(std::size_t size) {
    void* block = std::malloc(size + kHeader);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    const long long live = gLive.fetch_add(static_cast<long long>(size)) + size;
    long long peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + kHeader;
}

void release(void* p) noexcept {
    if (p == nullptr) return;
    char* block = static_cast<char*>(p) - kHeader;
    gLive.fetch_sub(static_cast<long long>(*reinterpret_cast<std::size_t*>(block)));
    std::free(block);
}
}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}

namespace {

using namespace penwick;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Seconds of processor time, in the program itself and in the kernel for it.
struct Cpu {
    double user = 0;
    double system = 0;
    Cpu operator-(const Cpu& o) const { return {user - o.user, system - o.system}; }
};

Cpu processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto sec = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return {sec(usage.ru_utime), sec(usage.ru_stime)};
}

// Seconds a side took, on the clock and in processor time.
struct Timed {
    double wall = 0;
    Cpu cpu;
};

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::cerr << "bench_update_loop: " << what << ": " << sqlite3_errmsg(db) << "\n";
        std::exit(1);
    }
}

std::string makeDatabase(const std::string& path, std::size_t n) {
    std::filesystem::remove(path);
    bench::createWithContacts(path, n);
    // On the disk before the side is timed: neither pays for writing out the files made
    // before it.
    ::sync();
    return contacts::databaseName(path);
}

// Heap bytes a string keeps beyond its own object (none while it fits the small buffer).
std::size_t heapOf(const std::u16string& s) {
    return s.capacity() > 7 ? (s.capacity() + 1) * sizeof(char16_t) : 0;
}

// The storage limit: the same row, n times, one committed transaction each.
Timed bareInserts(const std::string& path, std::size_t n) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    check(sqlite3_exec(db,
                       "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; "
                       "PRAGMA foreign_keys = ON; "
                       "INSERT INTO run(started_at, user_name, host, pid) "
                       "VALUES ('2026-03-07T00:00:00.000Z', 'bench', 'host', 1)",
                       nullptr, nullptr, nullptr),
          db, "setup");
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO note(contact_id, run_id, type_code, text, attachment, "
                             "date_text, date, time, written_at, user_name) VALUES (?1, 1, 102, "
                             "'Spring catalogue sent', NULL, '3/7/2026', '2026-03-07', NULL, "
                             "'2026-03-07T10:00:00.000Z', 'bench')",
                             -1, &insert, nullptr),
          db, "prepare");
    const Cpu processor = processorSeconds();
    const auto start = Clock::now();
    for (std::size_t i = 1; i <= n; ++i) {
        sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i));
        check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    const Timed took{seconds(Clock::now() - start), processorSeconds() - processor};
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return took;
}

struct LoopResult {
    Timed took;
    double heapPerContact = 0;    // C++ heap at the peak, less identifiers and the test UI's log
    double sqlitePerContact = 0;  // SQLite's own allocations at their peak
    std::size_t notes = 0;
};

// One write-note run through the program on a lookup of every contact.
LoopResult wholeRun(const std::string& database, const std::string& folder) {
    std::size_t expected = 0;
    {
        contacts::Store store(database);
        expected = static_cast<std::size_t>(store.contactCount());
    }
    bench::ProgramRun program(database, folder);
    testing::FakeWindow& main = program.main();

    // The identifiers and the test UI's record of every caption are measured at the last
    // yield, while they are all there, and left out of the program's own memory.
    std::size_t identifiers = 0, captionLog = 0;
    program.ui().onYield([&](int k) {
        if (static_cast<std::size_t>(k) != expected) return;
        const auto& ids = program.app().state().ContactIds;
        identifiers = ids.capacity() * sizeof(std::u16string);
        for (const auto& id : ids) identifiers += heapOf(id);
        const auto& captions = main.captionHistory();
        captionLog = captions.capacity() * sizeof(std::u16string);
        for (const auto& c : captions) captionLog += heapOf(c);
    });

    const long long before = gLive.load();
    gPeak.store(before);
    sqlite3_int64 sqliteBefore = sqlite3_memory_used();
    sqlite3_memory_highwater(1);
    LoopResult r;
    const Cpu processor = processorSeconds();
    r.took.wall = program.write();
    r.took.cpu = processorSeconds() - processor;
    const double n = static_cast<double>(expected);
    r.heapPerContact =
        static_cast<double>(gPeak.load() - before - static_cast<long long>(identifiers) -
                            static_cast<long long>(captionLog)) /
        n;
    r.sqlitePerContact = static_cast<double>(sqlite3_memory_highwater(0) - sqliteBefore) / n;
    contacts::Store store(database);
    store.forEachNote([&](const contacts::StoredNote&) { ++r.notes; });
    if (r.notes != expected) {
        std::cerr << "bench_update_loop: the run wrote " << r.notes << " of " << expected
                  << " notes\n";
        std::exit(1);
    }
    return r;
}

struct Figures {
    std::size_t n;
    double loopSeconds, bareSeconds;
    double heapPerContact, sqlitePerContact;
    Cpu loopCpu, bareCpu;
    double loopRate() const { return n / loopSeconds; }
    double bareRate() const { return n / bareSeconds; }
    double ratio() const { return loopRate() / bareRate(); }
    double microsPerNote() const { return loopSeconds / n * 1e6; }
    double processorMicros(double s) const { return s / n * 1e6; }
};

}  // namespace

int main(int argc, char** argv) {
    const auto options =
        penwick::bench::parseSizedOptions(argc, argv, "bench_update_loop", {1000, 10000, 100000});
    if (!options) return 2;
    const std::string& outDir = options->out;
    const std::vector<std::size_t>& sizes = options->sizes;
    const int reps = options->reps;
    std::filesystem::create_directories(outDir);
    const std::string work = outDir + "/update_loop-work";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    std::vector<Figures> figures;
    try {
        // The disk's sync time wanders; a warm-up first, then each size several times with
        // the two sides taking turns to go first, and the median of each side.
        bareInserts(makeDatabase(work + "/bare.pwdb", 500), 500);
        for (std::size_t n : sizes) {
            std::vector<double> bare, loop, heap, sqlite;
            std::vector<double> bareUser, bareSystem, loopUser, loopSystem;
            for (int rep = 0; rep < reps; ++rep) {
                auto measureBare = [&] {
                    const Timed took = bareInserts(makeDatabase(work + "/bare.pwdb", n), n);
                    bare.push_back(took.wall);
                    bareUser.push_back(took.cpu.user);
                    bareSystem.push_back(took.cpu.system);
                };
                if (rep % 2 == 0) measureBare();
                const LoopResult r = wholeRun(makeDatabase(work + "/loop.pwdb", n), work);
                loop.push_back(r.took.wall);
                loopUser.push_back(r.took.cpu.user);
                loopSystem.push_back(r.took.cpu.system);
                heap.push_back(r.heapPerContact);
                sqlite.push_back(r.sqlitePerContact);
                if (rep % 2 == 1) measureBare();
            }
            figures.push_back({n, bench::median(loop), bench::median(bare), bench::median(heap),
                               bench::median(sqlite),
                               Cpu{bench::median(loopUser), bench::median(loopSystem)},
                               Cpu{bench::median(bareUser), bench::median(bareSystem)}});
            const Figures& f = figures.back();
            std::printf(
                "%7zu contacts: loop %8.1f notes/s, bare SQLite %8.1f notes/s, ratio %.3f, "
                "%7.1f us/note, peak %.1f B/contact above the identifiers (+ SQLite %.1f); "
                "user time %.1f us/note against bare %.1f, system %.1f against %.1f\n",
                n, f.loopRate(), f.bareRate(), f.ratio(), f.microsPerNote(), f.heapPerContact,
                f.sqlitePerContact, f.processorMicros(f.loopCpu.user),
                f.processorMicros(f.bareCpu.user), f.processorMicros(f.loopCpu.system),
                f.processorMicros(f.bareCpu.system));
            std::fflush(stdout);
        }
    } catch (const Failure& failure) {
        std::cerr << "bench_update_loop: " << toUtf8(failure.description()) << "\n";
        return 1;
    }
    std::filesystem::remove_all(work);

    const Figures& small = figures.front();
    const Figures& large = figures.back();
    const double growth = large.microsPerNote() / small.microsPerNote();
    const double memory = large.heapPerContact + large.sqlitePerContact;
    std::printf(
        "targets at %zu: ratio %.3f (>= 0.6 %s), time per note %.2fx that at %zu "
        "(<= 1.3 %s), %.1f B/contact (< 300 %s)\n",
        large.n, large.ratio(), large.ratio() >= 0.6 ? "met" : "MISSED", growth, small.n,
        growth <= 1.3 ? "met" : "MISSED", memory, memory < 300 ? "met" : "MISSED");

    std::ostringstream json;
    json << "{\"sizes\": [";
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const Figures& f = figures[i];
        json << (i ? ", " : "") << "{\"contacts\": " << f.n << ", \"notes_per_s\": " << f.loopRate()
             << ", \"bare_sqlite_notes_per_s\": " << f.bareRate() << ", \"ratio\": " << f.ratio()
             << ", \"us_per_note\": " << f.microsPerNote()
             << ", \"heap_bytes_per_contact\": " << f.heapPerContact
             << ", \"sqlite_bytes_per_contact\": " << f.sqlitePerContact
             << ", \"user_us_per_note\": " << f.processorMicros(f.loopCpu.user)
             << ", \"bare_user_us_per_note\": " << f.processorMicros(f.bareCpu.user)
             << ", \"system_us_per_note\": " << f.processorMicros(f.loopCpu.system)
             << ", \"bare_system_us_per_note\": " << f.processorMicros(f.bareCpu.system) << "}";
    }
    json << "], \"time_per_note_growth\": " << growth << ", \"targets\": {\"ratio_min\": 0.6, "
         << "\"time_growth_max\": 1.3, \"bytes_per_contact_max\": 300}, \"met\": "
         << ((large.ratio() >= 0.6 && growth <= 1.3 && memory < 300) ? "true" : "false") << "}";
    std::ofstream(std::filesystem::path(outDir) / "bench_update_loop.json") << json.str() << "\n";
    bench::mergeInto(std::filesystem::path(outDir) / "results.json", "update_loop", json.str());
    return 0;
}
