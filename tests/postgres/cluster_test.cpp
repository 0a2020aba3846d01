// The throwaway cluster itself: what the tests on PostgreSQL rely on it for.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "postgres_cluster.h"

namespace penwick::testing {
namespace {

struct ConnectionDeleter {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;

Connection connect(const std::string& uri) {
    return Connection(PQconnectdb(uri.c_str()));
}

// The statement's status, and its SQLSTATE when it failed ("" when it worked).
std::string sqlState(PGconn* connection, const std::string& sql) {
    PGresult* result = PQexec(connection, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    std::string answer = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? ""
                         : state != nullptr                                      ? state
                                                                                 : "failed";
    PQclear(result);
    return answer;
}

// Running and not a zombie (a container's first process may never reap an orphan).
bool processAlive(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto state = line.find(") ");
    return state != std::string::npos && line[state + 2] != 'Z';
}

TEST(PostgresCluster, EachDatabaseIsFreshAndReachableThroughItsUri) {
    auto& cluster = PostgresCluster::shared();
    const auto first = cluster.createDatabase();
    const auto second = cluster.createDatabase();
    EXPECT_NE(first.name, second.name);

    // The URI works as it stands, through libpq alone.
    const Connection connection = connect(first.uri);
    ASSERT_EQ(PQstatus(connection.get()), CONNECTION_OK) << PQerrorMessage(connection.get());
    EXPECT_EQ(sqlState(connection.get(), "CREATE TABLE t (x int)"), "");

    EXPECT_EQ(cluster.query(first.name, "SELECT current_database(), count(*) FROM t"),
              (std::vector<PostgresCluster::Row>{{first.name, "0"}}));
    EXPECT_EQ(cluster.query(second.name,
                            "SELECT to_regclass('t'), pg_encoding_to_char(encoding) "
                            "FROM pg_database WHERE datname = current_database()"),
              (std::vector<PostgresCluster::Row>{{std::nullopt, "UTF8"}}));

    try {
        cluster.execute(second.name, "SELEC 1");
        FAIL() << "a syntax error went through";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.sqlState(), "42601");
        EXPECT_NE(std::string(error.what()).find("syntax error"), std::string::npos);
    }
}

TEST(PostgresCluster, ServerRunsUnprivilegedAndOnlyOnItsSocket) {
    auto& cluster = PostgresCluster::shared();
    std::ifstream status("/proc/" + std::to_string(cluster.serverProcess()) + "/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("Uid:", 0) != 0) {
    }
    ASSERT_EQ(line.rfind("Uid:", 0), 0u);
    const unsigned long serverUser = std::stoul(line.substr(4));
    if (::geteuid() == 0) {
        EXPECT_NE(serverUser, 0u) << "the server runs as root";
    } else {
        EXPECT_EQ(serverUser, ::geteuid());
    }

    EXPECT_EQ(cluster.query("postgres", "SHOW listen_addresses"),
              (std::vector<PostgresCluster::Row>{{""}}));
    EXPECT_TRUE(std::filesystem::exists(cluster.socketFolder() + "/.s.PGSQL." +
                                        std::to_string(cluster.port())));
}

TEST(PostgresCluster, ConnectionsFailWhileStoppedAndCommittedDataSurvives) {
    auto& cluster = PostgresCluster::shared();
    const auto database = cluster.createDatabase();
    cluster.execute(database.name, "CREATE TABLE t (x int); INSERT INTO t VALUES (1)");
    const Connection open = connect(database.uri);
    ASSERT_EQ(PQstatus(open.get()), CONNECTION_OK);

    // As if the server crashed: the next start recovers from its log.
    cluster.stop(PostgresCluster::StopMode::Immediate);
    EXPECT_FALSE(cluster.running());
    EXPECT_NE(sqlState(open.get(), "SELECT 1"), "");
    EXPECT_NE(PQstatus(connect(database.uri).get()), CONNECTION_OK);
    EXPECT_THROW(cluster.execute(database.name, "SELECT 1"), SqlError);

    cluster.start();
    const Connection again = connect(database.uri);
    ASSERT_EQ(PQstatus(again.get()), CONNECTION_OK) << PQerrorMessage(again.get());
    EXPECT_EQ(cluster.query(database.name, "SELECT x FROM t"),
              (std::vector<PostgresCluster::Row>{{"1"}}));

    cluster.stop();
    cluster.start();
    EXPECT_EQ(sqlState(connect(database.uri).get(), "SELECT 1"), "");
}

TEST(PostgresCluster, TerminateConnectionsCutsOnlyThatDatabasesSessions) {
    auto& cluster = PostgresCluster::shared();
    const auto target = cluster.createDatabase();
    const auto other = cluster.createDatabase();
    const Connection cut = connect(target.uri);
    const Connection spared = connect(other.uri);
    ASSERT_EQ(PQstatus(cut.get()), CONNECTION_OK);
    ASSERT_EQ(PQstatus(spared.get()), CONNECTION_OK);

    cluster.terminateConnections(target.name);

    EXPECT_NE(sqlState(cut.get(), "SELECT 1"), "");
    EXPECT_EQ(PQstatus(cut.get()), CONNECTION_BAD);
    EXPECT_EQ(sqlState(spared.get(), "SELECT 1"), "");
    // New sessions are welcome.
    EXPECT_EQ(sqlState(connect(target.uri).get(), "SELECT 1"), "");
}

TEST(PostgresCluster, RoleWithoutPrivilegeIsRefusedTablesInASchemaItDoesNotOwn) {
    auto& cluster = PostgresCluster::shared();
    cluster.createRole("clerk", "LOGIN");
    const auto database = cluster.createDatabase();
    cluster.execute(database.name, "CREATE SCHEMA penwick; GRANT USAGE ON SCHEMA penwick TO clerk");

    const Connection clerk = connect(cluster.uri(database.name, "clerk"));
    ASSERT_EQ(PQstatus(clerk.get()), CONNECTION_OK) << PQerrorMessage(clerk.get());
    EXPECT_EQ(sqlState(clerk.get(), "SELECT current_user"), "");
    EXPECT_EQ(sqlState(clerk.get(), "CREATE TABLE penwick.t (x int)"), "42501");
    EXPECT_EQ(sqlState(clerk.get(), "CREATE TABLE public.t (x int)"), "42501");

    // Refused for want of the privilege, not for anything else.
    cluster.execute(database.name, "GRANT CREATE ON SCHEMA penwick TO clerk");
    EXPECT_EQ(sqlState(clerk.get(), "CREATE TABLE penwick.t (x int)"), "");

    // A database made for an owner is that role's to fill.
    const auto owned = cluster.createDatabase("clerk");
    const Connection owner = connect(cluster.uri(owned.name, "clerk"));
    EXPECT_EQ(sqlState(owner.get(), "CREATE SCHEMA mine; CREATE TABLE mine.t (x int)"), "");
}

TEST(PostgresCluster, ClusterIsRemovedWithItsObject) {
    std::string folder;
    pid_t server = 0;
    {
        PostgresCluster cluster;
        folder = cluster.socketFolder();
        server = cluster.serverProcess();
        EXPECT_NE(folder, PostgresCluster::shared().socketFolder());
        EXPECT_NE(folder.find("/penwick-pg-"), std::string::npos);
        const auto database = cluster.createDatabase();
        EXPECT_EQ(sqlState(connect(database.uri).get(), "SELECT 1"), "");
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_FALSE(processAlive(server)) << "the server outlived its cluster";
}

TEST(PostgresCluster, FolderOfAKilledProcessIsRemovedByTheNextCluster) {
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        try {
            PostgresCluster cluster;
            const std::string made =
                cluster.socketFolder() + "\n" + std::to_string(cluster.serverProcess());
            if (::write(pipe[1], made.data(), made.size()) < 0) ::_exit(1);
            // Before the cluster's destructor could run.
            ::kill(::getpid(), SIGKILL);
        } catch (...) {
        }
        ::_exit(1);
    }
    ::close(pipe[1]);
    std::string made(256, '\0');
    const ssize_t length = ::read(pipe[0], made.data(), made.size());
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_GT(length, 0) << "the child made no cluster";
    made.resize(length);
    const std::string folder = made.substr(0, made.find('\n'));
    const pid_t server = std::stoi(made.substr(made.find('\n') + 1));
    ASSERT_TRUE(std::filesystem::exists(folder));

    // The server follows its maker within moments.
    for (int i = 0; i < 500 && processAlive(server); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(processAlive(server)) << "the server outlived the process that started it";

    PostgresCluster next;
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(PostgresCluster, AClusterThatCannotStartSaysWhyFromTheServerLog) {
    try {
        PostgresCluster cluster({.settings = {"shared_buffers = 'plenty'"}});
        FAIL() << "a server with a bad setting started";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("shared_buffers"), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace penwick::testing
