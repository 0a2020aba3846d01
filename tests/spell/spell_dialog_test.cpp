// The suggestions dialog on its own: what each button, click and double click decides.

#include <gtest/gtest.h>

#include "spell/spell_check_form.h"
#include "support/fake_ui.h"

namespace penwick::testing {
namespace {

class SpellDialog : public ::testing::Test {
protected:
    // Shows the dialog for badWord with these suggestions; the user acts through answer.
    void show(std::u16string badWord, std::vector<std::u16string> suggestions,
              std::function<void(FakeWindow&)> answer) {
        form.control("txtBadWord").setText(badWord);
        form.control("lstSuggestions").clearList();
        for (const auto& s : suggestions) form.control("lstSuggestions").addItem(s);
        ui.onModal("frmSpellCheck", std::move(answer));
        form.showModal();
    }

    FakeUi ui;
    ui::Program program{ui};
    spell::SpellCheckForm form{program};
};

TEST_F(SpellDialog, ChangeWithNothingChosenKeepsTheDialogOpen) {
    for (std::u16string typed : {u"", u"   "}) {
        show(u"teh", {u"the"}, [&](FakeWindow& d) {
            d.type("txtReplace", typed);
            d.click("cmdChange");
            EXPECT_TRUE(d.visible());
            d.click("cmdIgnore");
        });
        EXPECT_EQ(form.ReplacementWord(), u"");
    }
}

TEST_F(SpellDialog, TypedTextWinsOverTheListUntilTheBoxIsEmptied) {
    show(u"teh", {u"the", u"tea"}, [](FakeWindow& d) {
        d.type("txtReplace", u"  then ");
        d.control("lstSuggestions").setListIndex(0);
        d.click("cmdChange");
    });
    EXPECT_EQ(form.ReplacementWord(), u"then");

    show(u"teh", {u"the", u"tea"}, [](FakeWindow& d) {
        d.choose("lstSuggestions", 1);
        EXPECT_EQ(d.control("txtReplace").text(), u"tea");  // overwrites what was typed
        d.type("txtReplace", u"");
        d.click("cmdChange");  // the selection still counts
    });
    EXPECT_EQ(form.ReplacementWord(), u"tea");
}

TEST_F(SpellDialog, DoubleClickTakesTheSuggestionAsListed) {
    show(u"alot", {u"lot", u"a lot"}, [](FakeWindow& d) {
        d.control("lstSuggestions").setListIndex(1);
        d.doubleClick("lstSuggestions");
    });
    EXPECT_EQ(form.ReplacementWord(), u"a lot");
}

}  // namespace
}  // namespace penwick::testing
