// The contact-manager and checker contracts against ACT! and Word as the automation layer
// reaches them, here the test servers: the same suites the Linux implementations pass.

#include <type_traits>

#include "com/factories.h"
#include "contract/contact_manager_contract.h"
#include "contract/spell_checker_contract.h"
#include "server_setup.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

template <Flavour F>
struct ActWorld {
    void setUp(const ContactScenario& s) {
        std::vector<std::u16string> lines = {u"database C:\\Data\\Contacts.dbf", u"user " + s.user};
        if (s.login) lines.push_back(u"login " + s.login->first + u" " + s.login->second);
        for (int i = 1; i <= s.contacts; ++i) lines.push_back(u"contact " + decimal(i));
        std::u16string lookup = u"lookup";
        for (int id : s.lookup) lookup += u" " + decimal(id);
        lines.push_back(lookup);
        servers.configure(lines);
    }
    lookup::ContactManagerFactory& factory() { return *contacts; }
    // The test servers' identifiers are the contacts' numbers, handed over as numbers.
    std::u16string identifier(int contact) const { return decimal(contact); }
    std::u16string lookupFile() const { return servers.path(u"lkup.dat"); }
    std::vector<ContractNote> notes() const {
        std::vector<ContractNote> notes;
        for (const auto& n : servers.notes()) {
            ContractNote c{n.contact,
                           static_cast<std::int16_t>(std::stoi(toUtf8(n.type))),
                           n.text,
                           {},
                           n.date};
            if (n.hasAttachment) c.attachment = n.attachment;
            notes.push_back(c);
        }
        return notes;
    }

    ServerSetup servers{F};
    std::unique_ptr<lookup::ContactManagerFactory> contacts =
        com::makeActContactManagerFactory(nullptr);
};

template <Flavour F>
struct WordWorld {
    WordWorld() { servers.configure({u"misspelled teh the ten tea", u"misspelled clent client"}); }
    spell::SpellCheckerFactory& factory() { return *checkers; }

    ServerSetup servers{F};
    std::unique_ptr<spell::SpellCheckerFactory> checkers =
        com::makeWordSpellCheckerFactory(nullptr);
};

struct FlavourName {
    template <class World>
    static std::string GetName(int) {
        if constexpr (std::is_same_v<World, ActWorld<Flavour::Local>> ||
                      std::is_same_v<World, WordWorld<Flavour::Local>>)
            return "Local";
        return "InProcess";
    }
};

using ActWorlds = ::testing::Types<ActWorld<Flavour::InProcess>, ActWorld<Flavour::Local>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Act, ContactManagerContract, ActWorlds, FlavourName);
using WordWorlds = ::testing::Types<WordWorld<Flavour::InProcess>, WordWorld<Flavour::Local>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Word, SpellCheckerContract, WordWorlds, FlavourName);

}  // namespace
}  // namespace penwick::testing
