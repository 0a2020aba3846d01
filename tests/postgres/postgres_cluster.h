#pragma once
// A throwaway PostgreSQL server for tests and benchmarks: a cluster made with the system's own
// server programs in a fresh temporary folder, reachable only through a Unix socket in that
// folder, with trust authentication. Run as root, the server runs as the unprivileged
// `postgres` user (or `nobody`); the test process connects over the socket all the same.

#include <sys/types.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace penwick::testing {

// A statement the server refused, with its message and five-character SQLSTATE code.
class SqlError : public std::runtime_error {
public:
    SqlError(const std::string& message, std::string sqlState)
        : std::runtime_error(message), sqlState_(std::move(sqlState)) {}
    const std::string& sqlState() const { return sqlState_; }

private:
    std::string sqlState_;
};

class PostgresCluster {
public:
    struct Options {
        // Extra lines for postgresql.conf, e.g. "fsync = off" for a benchmark.
        std::vector<std::string> settings;
    };
    struct Database {
        std::string name;
        std::string uri;  // as the cluster's superuser
    };
    // A row of a query's result; SQL NULL is an empty optional.
    using Row = std::vector<std::optional<std::string>>;
    enum class StopMode {
        Fast,      // sessions are ended and the server shuts down cleanly
        Immediate  // as if it crashed: the next start recovers from the write-ahead log
    };

    // The role every cluster is made with; it owns everything not given another owner.
    static constexpr const char* superuser = "penwick_test";

    // The process's own cluster, started on first use and removed when the process exits.
    static PostgresCluster& shared();

    // Makes and starts a cluster; throws std::runtime_error with the tail of the server's log
    // when that fails.
    PostgresCluster() : PostgresCluster(Options{}) {}
    explicit PostgresCluster(Options options);
    // Stops the server at once and removes the folder with everything in it.
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    // A fresh empty database with a name of its own, owned by `owner` (or the superuser).
    Database createDatabase(const std::string& owner = {});
    // The libpq URI of a database on this cluster, connecting as `role` (or the superuser).
    std::string uri(const std::string& database, const std::string& role = {}) const;

    // Runs `sql` (one statement or several) as the superuser; throws SqlError with the
    // server's message.
    void execute(const std::string& database, const std::string& sql);
    std::vector<Row> query(const std::string& database, const std::string& sql);
    // CREATE ROLE name options, e.g. createRole("alice", "LOGIN IN ROLE penwick_writer").
    void createRole(const std::string& name, const std::string& options = {});

    // From now on every role but the superuser logs in with a SCRAM password, as a team's
    // server asks (the cluster starts with trust for every role on its socket).
    void requirePasswords();

    // Ends every session on `database` but the caller's own, and waits until they are gone.
    void terminateConnections(const std::string& database);

    // For tests of a server that goes away mid-run: the folder, socket and databases stay,
    // so every URI works again after start().
    void stop(StopMode mode = StopMode::Fast);
    void start();
    bool running() const { return server_ > 0; }

    const std::string& socketFolder() const { return folder_; }
    int port() const { return port_; }
    // The server's process, e.g. to look at the user it runs as.
    pid_t serverProcess() const { return server_; }

private:
    struct Account {
        bool drop = false;  // run the server programs as this account instead of ourselves
        std::string name;
        uid_t uid = 0;
        gid_t gid = 0;
        std::vector<gid_t> groups;
    };

    void initialise(const Options& options);
    pid_t spawn(const std::vector<std::string>& arguments, const std::string& logFile,
                bool dieWithUs) const;
    std::string logTail(const std::string& logFile) const;

    std::string binFolder_;
    std::string folder_;
    std::string dataFolder_;
    std::string logFile_;
    int port_ = 5432;
    Account account_;
    pid_t server_ = -1;
    pid_t owner_ = -1;  // the process that made the cluster; a forked child leaves it alone
    int nextDatabase_ = 1;
    bool passwords_ = false;
};

}  // namespace penwick::testing
