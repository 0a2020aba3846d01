#pragma once
// Contact databases on the test process's throwaway PostgreSQL server, for the suites that
// run against every engine.

#include <string>

#include "contacts/store.h"
#include "embedded_support.h"
#include "postgres_cluster.h"

namespace penwick::testing {

struct ServerDatabases {
    // A fresh, empty server database: its URI.
    // Its users log in with passwords the server checks.
    std::string fresh(const TempFolder&) {
        PostgresCluster& cluster = PostgresCluster::shared();
        cluster.requirePasswords();
        return cluster.createDatabase().uri;
    }
    static constexpr int layoutVersion = contacts::kServerSchemaVersion;
    std::string layoutVersionSql(int version) const {
        return "UPDATE meta SET value = '" + std::to_string(version) +
               "' WHERE key = 'schema_version'";
    }
};

}  // namespace penwick::testing
