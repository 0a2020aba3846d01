// Several programs writing notes to one server database at the same moment, over lookups that
// share contacts: each run writes every contact of its own lookup exactly once, counts its own
// notes, and none of them waits forever or fails because of the others.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "contacts/store.h"
#include "embedded_support.h"
#include "postgres_cluster.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using namespace std::chrono_literals;

// In a child process: the whole program writes one note to `lookup`, starting when `go`
// is closed by the parent. Exits 0 only when the run ended with "Finished" and nothing else
// was said; never returns.
[[noreturn]] void writeNotesAndExit(const std::string& uri, std::vector<std::int64_t> lookup,
                                    const std::string& folder, int go) {
    int status = 1;
    try {
        setenv("TMPDIR", folder.c_str(), 1);  // the child's scratch folder goes with the test's
        EmbeddedRun run;
        run.readyToWrite(uri, {contacts::LookupQuery::Kind::Ids, {}, std::move(lookup)},
                         u"written side by side");
        char byte;
        while (read(go, &byte, 1) < 0 && errno == EINTR) {
        }
        run.main().click("cmdWriteNote");
        const auto& messages = run.ui->messages();
        status = messages.size() == 2 && messages.back().prompt == u"Finished" ? 0 : 1;
        if (status != 0) {
            for (const auto& m : messages) std::fprintf(stderr, "%s\n", toUtf8(m.prompt).c_str());
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", toUtf8(failure.description()).c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    std::fflush(stderr);
    _exit(status);
}

TEST(ConcurrentWriters, EveryRunWritesItsWholeLookupOnceWithoutDeadlockOrError) {
    constexpr int kWriters = 4;
    constexpr std::int64_t kStep = 100, kLookup = 200;
    constexpr std::int64_t kContacts = kStep * (kWriters - 1) + kLookup;

    auto& cluster = PostgresCluster::shared();
    const auto database = cluster.createDatabase();
    makeDatabase(database.uri, kContacts);
    TempFolder folder;

    // Writer k takes contacts k*100+1 .. k*100+200, every contact but the first and last
    // hundred being in two lookups; the odd writers go through theirs backwards, so that
    // neighbours reach shared contacts at the same moment.
    std::vector<std::vector<std::int64_t>> lookups(kWriters);
    for (int k = 0; k < kWriters; ++k) {
        std::vector<std::int64_t>& ids = lookups[std::size_t(k)];
        ids.resize(std::size_t(kLookup));
        std::iota(ids.begin(), ids.end(), k * kStep + 1);
        if (k % 2 == 1) std::reverse(ids.begin(), ids.end());
    }

    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::map<pid_t, int> writers;
    for (int k = 0; k < kWriters; ++k) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(go[1]);
            writeNotesAndExit(database.uri, lookups[std::size_t(k)], folder.path(), go[0]);
        }
        writers[child] = k;
    }
    close(go[0]);
    std::this_thread::sleep_for(200ms);  // the programs are up, their main windows filled
    close(go[1]);                        // and they all click at once

    const auto deadline = std::chrono::steady_clock::now() + 120s;
    std::map<int, int> exitStatus;
    // Each writer by its own id: the cluster's server is a child of this process too.
    while (!writers.empty() && std::chrono::steady_clock::now() < deadline) {
        for (auto it = writers.begin(); it != writers.end();) {
            int status = 0;
            if (waitpid(it->first, &status, WNOHANG) == it->first) {
                exitStatus[it->second] = status;
                it = writers.erase(it);
            } else {
                ++it;
            }
        }
        std::this_thread::sleep_for(10ms);
    }
    for (const auto& [child, k] : writers) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ADD_FAILURE() << "writer " << k << " was still running after two minutes (deadlock?)";
    }
    ASSERT_TRUE(writers.empty());
    for (const auto& [k, status] : exitStatus) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "writer " << k << " failed (its messages are above)";
    }

    // Which run is which writer's: the run's kept lookup is its writer's.
    contacts::Store store(database.uri);
    const auto runs = store.runs();
    ASSERT_EQ(runs.size(), std::size_t(kWriters));
    std::set<int> writersSeen;
    for (const auto& run : runs) {
        SCOPED_TRACE("run " + std::to_string(run.id));
        const auto written =
            store.resolve({contacts::LookupQuery::Kind::Run, {}, {}, false, run.id});
        ASSERT_FALSE(written.empty());
        // Every contact of one writer's lookup, each once, in its order.
        const auto k = std::find(lookups.begin(), lookups.end(), written) - lookups.begin();
        EXPECT_LT(k, kWriters) << "the run's notes are not a writer's lookup";
        EXPECT_TRUE(writersSeen.insert(int(k)).second);
        EXPECT_EQ(run.notes, kLookup);
        EXPECT_EQ(run.lookupSize, kLookup);
        EXPECT_TRUE(run.finished());
    }
    // The runs did meet: each one's notes went in between another's.
    const auto interleaved = cluster.query(
        database.name,
        "SELECT count(*) FROM (SELECT run_id, min(id) AS first, max(id) AS last FROM note "
        "GROUP BY run_id) a WHERE EXISTS (SELECT 1 FROM note b WHERE b.run_id <> a.run_id "
        "AND b.id BETWEEN a.first AND a.last)");
    EXPECT_EQ(interleaved, (std::vector<PostgresCluster::Row>{{std::to_string(kWriters)}}))
        << "the writers took turns instead of writing side by side";
    // Nothing beside the runs' own notes, and no (run, contact) twice.
    EXPECT_EQ(cluster.query(database.name,
                            "SELECT count(*), count(DISTINCT (run_id, contact_id)) FROM note"),
              (std::vector<PostgresCluster::Row>{
                  {std::to_string(kWriters * kLookup), std::to_string(kWriters * kLookup)}}));
}

// Two programs completing the rest of one run at the same moment, from its two ends: where
// they meet, each contact gets the note from one of them, and the other is told so.
TEST(ConcurrentWriters, TwoRunsCompletingOneRestGiveEachContactTheNoteOnce) {
    auto& cluster = PostgresCluster::shared();
    const auto database = cluster.createDatabase();
    makeDatabase(database.uri, 120);
    std::vector<std::int64_t> lookup(120);
    std::iota(lookup.begin(), lookup.end(), 1);
    const auto note = [](std::int64_t contact) { return noteFor(contact, "the rest"); };
    std::int64_t stopped = 0;
    {
        contacts::Store store(database.uri);
        for (std::int64_t c = 1; c <= 20; ++c)
            store.addNote(note(c), stopped, "Pat", true, {&lookup, std::nullopt});
    }
    const auto rest =
        contacts::Store(database.uri)
            .resolve({contacts::LookupQuery::Kind::RestOfRun, {}, {}, false, stopped});
    ASSERT_EQ(rest.size(), 100u);

    std::atomic<int> refused{0}, failedOtherwise{0};
    const auto complete = [&](bool backwards) {
        contacts::Store store(database.uri);
        std::vector<std::int64_t> order = rest;
        if (backwards) std::reverse(order.begin(), order.end());
        std::int64_t run = 0;
        for (std::int64_t c : order) {
            try {
                store.addNote(note(c), run, "Pat", true, {&rest, stopped});
            } catch (const Failure& f) {
                const bool already =
                    toUtf8(f.description()).find("already has this note") != std::string::npos;
                ++(already ? refused : failedOtherwise);
            }
        }
    };
    std::thread forwards(complete, false), backwards(complete, true);
    forwards.join();
    backwards.join();

    EXPECT_EQ(failedOtherwise, 0);
    EXPECT_EQ(refused, 100);  // every contact of the rest was tried twice and written once
    EXPECT_EQ(cluster.query(database.name, "SELECT count(*), count(DISTINCT contact_id) FROM note"),
              (std::vector<PostgresCluster::Row>{{"120", "120"}}));
}

}  // namespace
}  // namespace penwick::testing
