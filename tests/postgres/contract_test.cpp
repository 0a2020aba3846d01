// The suites every engine passes, on databases of a PostgreSQL server.

#include "embedded_world.h"
#include "server_databases.h"
#include "store_contract.h"

namespace penwick::testing {
namespace {
using ServerWorld = EmbeddedWorldOn<ServerDatabases>;
INSTANTIATE_TYPED_TEST_SUITE_P(Server, ContactManagerContract, ::testing::Types<ServerWorld>);
}  // namespace
}  // namespace penwick::testing

namespace penwick::testing::store_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Server, StoreContract, ::testing::Types<ServerDatabases>);
}  // namespace penwick::testing::store_contract
