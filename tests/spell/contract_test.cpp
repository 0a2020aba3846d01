// The checker contract against the Hunspell checker on the small test dictionary.

#include "contract/spell_checker_contract.h"
#include "hunspell/factory.h"

namespace penwick::testing {
namespace {

struct HunspellWorld {
    spell::SpellCheckerFactory& factory() { return *checkers; }
    std::unique_ptr<spell::SpellCheckerFactory> checkers = hunspell::makeSpellCheckerFactory(
        hunspell::DictionaryOptions{PENWICK_SPELL_DATA, "penwick_test"});
};

INSTANTIATE_TYPED_TEST_SUITE_P(Hunspell, SpellCheckerContract, ::testing::Types<HunspellWorld>);

}  // namespace
}  // namespace penwick::testing
