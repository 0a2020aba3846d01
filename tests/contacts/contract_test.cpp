// The contact-manager contract against the embedded contact manager on real SQLite files.

#include "embedded_world.h"

namespace penwick::testing {
namespace {

using EmbeddedWorld = EmbeddedWorldOn<FileDatabases>;
INSTANTIATE_TYPED_TEST_SUITE_P(Embedded, ContactManagerContract, ::testing::Types<EmbeddedWorld>);

}  // namespace
}  // namespace penwick::testing
