#include "postgres_cluster.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace penwick::testing {
namespace {

constexpr auto startTimeout = std::chrono::seconds(60);
constexpr auto stopTimeout = std::chrono::seconds(60);
constexpr const char* folderPrefix = "penwick-pg-";
constexpr const char* ownerFileName = "owner.pid";

[[noreturn]] void throwSystemError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Debian installs each major version's server programs side by side, none of them on PATH;
// the newest one present is the one to use.
std::string findServerPrograms() {
    const fs::path root = "/usr/lib/postgresql";
    std::string best;
    long bestVersion = -1;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root, error)) {
        const std::string name = entry.path().filename().string();
        char* end = nullptr;
        const long version = std::strtol(name.c_str(), &end, 10);
        if (end == name.c_str() || *end != '\0') continue;
        const fs::path bin = entry.path() / "bin";
        const bool complete = ::access((bin / "initdb").c_str(), X_OK) == 0 &&
                              ::access((bin / "postgres").c_str(), X_OK) == 0;
        if (complete && version > bestVersion) {
            bestVersion = version;
            best = bin.string();
        }
    }
    if (best.empty()) {
        throw std::runtime_error(
            "No PostgreSQL server programs in /usr/lib/postgresql/<version>/bin; "
            "scripts/setup installs them");
    }
    return best;
}

std::string temporaryRoot() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
}

// A process killed hard takes its server with it but leaves its folder (a hundred megabytes or
// more); the next cluster removes the folders whose maker is gone. A folder without an owner
// file is still being made and is left alone, as is one whose maker we may not signal.
void removeAbandonedFolders(const std::string& root) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root, error)) {
        if (entry.path().filename().string().rfind(folderPrefix, 0) != 0) continue;
        std::ifstream ownerFile(entry.path() / ownerFileName);
        pid_t owner = 0;
        if (!(ownerFile >> owner) || owner <= 0) continue;
        if (::kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

std::string percentEncoded(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0xF];
        }
    }
    return encoded;
}

// `text` between two `mark`s, each `mark` in it doubled: SQL's quoting of identifiers (")
// and of literals (').
std::string quoted(const std::string& text, char mark) {
    std::string out(1, mark);
    for (const char c : text) {
        out += c;
        if (c == mark) out += mark;
    }
    return out + mark;
}

std::string quotedIdentifier(const std::string& name) {
    return quoted(name, '"');
}

std::string quotedLiteral(const std::string& text) {
    return quoted(text, '\'');
}

struct ConnectionDeleter {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;
using Result = std::unique_ptr<PGresult, ResultDeleter>;

Connection connect(const std::string& uri) {
    Connection connection(PQconnectdb(uri.c_str()));
    if (connection == nullptr) throw std::bad_alloc();
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        throw SqlError(
            "Cannot connect to the test cluster (" + uri + "): " + PQerrorMessage(connection.get()),
            "08006");
    }
    return connection;
}

Result run(PGconn* connection, const std::string& sql) {
    Result result(PQexec(connection, sql.c_str()));
    const ExecStatusType status =
        result != nullptr ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char* state =
            result != nullptr ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const char* message =
            result != nullptr ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection);
        throw SqlError(message, state != nullptr ? state : "");
    }
    return result;
}

// The account the server programs run under when we are root: initdb and the server refuse
// to run as root, and should not.
bool lookUpAccount(const char* name, std::string& found, uid_t& uid, gid_t& gid,
                   std::vector<gid_t>& groups) {
    const passwd* entry = ::getpwnam(name);
    if (entry == nullptr) return false;
    found = name;
    uid = entry->pw_uid;
    gid = entry->pw_gid;
    int count = 16;
    groups.resize(count);
    while (::getgrouplist(name, gid, groups.data(), &count) < 0) groups.resize(count);
    groups.resize(count);
    return true;
}

}  // namespace

PostgresCluster& PostgresCluster::shared() {
    static PostgresCluster cluster;
    return cluster;
}

PostgresCluster::PostgresCluster(Options options) : owner_(::getpid()) {
    binFolder_ = findServerPrograms();
    if (::geteuid() == 0) {
        account_.drop = true;
        if (!lookUpAccount("postgres", account_.name, account_.uid, account_.gid,
                           account_.groups) &&
            !lookUpAccount("nobody", account_.name, account_.uid, account_.gid, account_.groups)) {
            throw std::runtime_error(
                "Running as root, and neither a postgres nor a nobody user to run the test "
                "cluster as");
        }
    }

    const std::string root = temporaryRoot();
    removeAbandonedFolders(root);
    std::string pattern = root + "/" + folderPrefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throwSystemError("Cannot make " + pattern);
    folder_ = pattern;
    dataFolder_ = folder_ + "/data";
    logFile_ = folder_ + "/server.log";
    try {
        // Renamed into place whole, so that no one reads half a number.
        const std::string ownerFile = folder_ + "/" + ownerFileName;
        std::ofstream(ownerFile + ".new") << owner_ << "\n";
        fs::rename(ownerFile + ".new", ownerFile);
        initialise(options);
        start();
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        throw;
    }
}

PostgresCluster::~PostgresCluster() {
    if (::getpid() != owner_) return;
    try {
        stop(StopMode::Immediate);
    } catch (...) {
        // Nothing to tell at exit; the server dies with us in any case.
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void PostgresCluster::initialise(const Options& options) {
    const std::string socket = folder_ + "/.s.PGSQL." + std::to_string(port_);
    if (socket.size() >= sizeof(sockaddr_un{}.sun_path)) {
        throw std::runtime_error("The socket path " + socket +
                                 " is too long for a Unix socket; set TMPDIR to a shorter folder");
    }
    if (account_.drop) {
        // The server writes its socket and lock file here; we (root) only pass through.
        if (::chown(folder_.c_str(), account_.uid, account_.gid) != 0 ||
            ::chmod(folder_.c_str(), 0711) != 0) {
            throwSystemError("Cannot hand " + folder_ + " to the server's user");
        }
    }

    const std::string initdbLog = folder_ + "/initdb.log";
    // No sync of the fresh files: a cluster that does not outlive the machine needs none. The
    // server itself keeps fsync on, so the tests see real commit costs.
    const pid_t initdb =
        spawn({binFolder_ + "/initdb", "--pgdata=" + dataFolder_,
               std::string("--username=") + superuser, "--encoding=UTF8", "--locale=C.UTF-8",
               "--auth-local=trust", "--auth-host=reject", "--no-sync", "--no-instructions"},
              initdbLog, false);
    int status = 0;
    while (::waitpid(initdb, &status, 0) < 0) {
        if (errno != EINTR) throwSystemError("Cannot wait for initdb");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string runAs =
            account_.drop ? " (run as " + account_.name + ", who must reach that folder)" : "";
        throw std::runtime_error("initdb failed for the test cluster in " + folder_ + runAs +
                                 ":\n" + logTail(initdbLog));
    }

    std::ofstream conf(dataFolder_ + "/postgresql.conf", std::ios::app);
    conf << "\n# The test cluster's own settings\n"
         << "listen_addresses = ''\n"
         << "unix_socket_directories = " << quotedLiteral(folder_) << "\n"
         << "port = " << port_ << "\n"
         << "shared_buffers = 16MB\n"
         << "max_connections = 50\n"
         << "fsync = on\n";
    for (const auto& line : options.settings) conf << line << "\n";
    conf.close();
    if (!conf) throwSystemError("Cannot write the test cluster's postgresql.conf");
}

pid_t PostgresCluster::spawn(const std::vector<std::string>& arguments, const std::string& logFile,
                             bool dieWithUs) const {
    // Everything the child needs is made here: between fork and exec only async-signal-safe
    // calls are allowed.
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int output = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (input < 0 || output < 0) {
        const int error = errno;
        if (input >= 0) ::close(input);
        errno = error;
        throwSystemError("Cannot open " + logFile);
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // What went wrong goes to the log, whose tail the exception shows.
        const auto fail = [](const char* message) {
            [[maybe_unused]] const auto written =
                ::write(STDERR_FILENO, message, std::strlen(message));
            ::_exit(127);
        };
        if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
            ::dup2(output, STDERR_FILENO) < 0) {
            ::_exit(127);
        }
        // The server must not hold the test's own sockets and pipes open.
        ::close_range(3, ~0U, 0);
        if (account_.drop && (::setgroups(account_.groups.size(), account_.groups.data()) != 0 ||
                              ::setgid(account_.gid) != 0 || ::setuid(account_.uid) != 0)) {
            fail("Cannot change to the server's user\n");
        }
        // Set after the change of user, which clears it. A test process that crashes or is
        // killed takes its server with it (SIGQUIT: the server's immediate shutdown).
        if (dieWithUs && (::prctl(PR_SET_PDEATHSIG, SIGQUIT) != 0 || ::getppid() != parent)) {
            fail("The test process ended before its server started\n");
        }
        ::execv(argv[0], argv.data());
        fail("Cannot run the server program\n");
    }
    const int error = errno;
    ::close(input);
    ::close(output);
    if (child < 0) {
        errno = error;
        throwSystemError("Cannot start " + arguments.front());
    }
    return child;
}

void PostgresCluster::start() {
    if (running()) return;
    // The server is our own child rather than pg_ctl's daemon, so that it cannot outlive a
    // test process that crashes.
    const auto started = std::chrono::steady_clock::now();
    server_ = spawn({binFolder_ + "/postgres", "-D", dataFolder_}, logFile_, true);
    const std::string ping = uri("postgres");
    for (;;) {
        int status = 0;
        if (::waitpid(server_, &status, WNOHANG) == server_) {
            server_ = -1;
            throw std::runtime_error("The test cluster's server in " + folder_ +
                                     " did not start:\n" + logTail(logFile_));
        }
        if (PQping(ping.c_str()) == PQPING_OK) return;
        if (std::chrono::steady_clock::now() - started > startTimeout) {
            stop(StopMode::Immediate);
            throw std::runtime_error("The test cluster's server in " + folder_ +
                                     " did not accept connections within a minute:\n" +
                                     logTail(logFile_));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PostgresCluster::stop(StopMode mode) {
    if (!running()) return;
    const pid_t server = server_;
    server_ = -1;
    ::kill(server, mode == StopMode::Fast ? SIGINT : SIGQUIT);
    const auto stopping = std::chrono::steady_clock::now();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(server, &status, WNOHANG);
        if (done == server || (done < 0 && errno != EINTR)) return;
        if (std::chrono::steady_clock::now() - stopping > stopTimeout) {
            ::kill(server, SIGKILL);
            ::waitpid(server, &status, 0);
            throw std::runtime_error("The test cluster's server did not stop; killed it:\n" +
                                     logTail(logFile_));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string PostgresCluster::logTail(const std::string& logFile) const {
    std::ifstream in(logFile);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.empty()) return "(" + logFile + " is empty)";
    constexpr std::size_t shown = 20;
    std::string tail;
    for (auto it = lines.size() > shown ? lines.end() - shown : lines.begin(); it != lines.end();
         ++it) {
        tail += *it + "\n";
    }
    return tail;
}

std::string PostgresCluster::uri(const std::string& database, const std::string& role) const {
    return "postgresql:///" + percentEncoded(database) + "?host=" + percentEncoded(folder_) +
           "&port=" + std::to_string(port_) +
           "&user=" + percentEncoded(role.empty() ? superuser : role);
}

PostgresCluster::Database PostgresCluster::createDatabase(const std::string& owner) {
    Database database;
    database.name = "penwick_" + std::to_string(nextDatabase_++);
    execute("postgres", "CREATE DATABASE " + quotedIdentifier(database.name) +
                            " TEMPLATE template0" +
                            (owner.empty() ? "" : " OWNER " + quotedIdentifier(owner)));
    database.uri = uri(database.name);
    return database;
}

void PostgresCluster::execute(const std::string& database, const std::string& sql) {
    const Connection connection = connect(uri(database));
    run(connection.get(), sql);
}

std::vector<PostgresCluster::Row> PostgresCluster::query(const std::string& database,
                                                         const std::string& sql) {
    const Connection connection = connect(uri(database));
    const Result result = run(connection.get(), sql);
    std::vector<Row> rows(PQntuples(result.get()));
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        for (int column = 0; column < PQnfields(result.get()); ++column) {
            if (PQgetisnull(result.get(), row, column)) {
                rows[row].emplace_back();
            } else {
                rows[row].emplace_back(PQgetvalue(result.get(), row, column));
            }
        }
    }
    return rows;
}

void PostgresCluster::createRole(const std::string& name, const std::string& options) {
    execute("postgres", "CREATE ROLE " + quotedIdentifier(name) + " " + options);
}

void PostgresCluster::requirePasswords() {
    if (passwords_) return;
    std::ofstream hba(dataFolder_ + "/pg_hba.conf", std::ios::trunc);
    hba << "local all " << superuser << " trust\n"
        << "local all all scram-sha-256\n";
    hba.close();
    if (!hba) throwSystemError("Cannot write the test cluster's pg_hba.conf");
    execute("postgres", "SELECT pg_reload_conf()");
    passwords_ = true;
}

void PostgresCluster::terminateConnections(const std::string& database) {
    // The timeout makes each call wait until its session has ended.
    execute("postgres",
            "SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = " +
                quotedLiteral(database) + " AND pid <> pg_backend_pid()");
}

}  // namespace penwick::testing
