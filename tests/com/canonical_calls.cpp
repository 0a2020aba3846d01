#include "canonical_calls.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "util/text.h"

namespace penwick::testing {

Lines canonicalWriteNoteCalls(std::u16string_view lookupFile, std::u16string_view typedPassword,
                              std::u16string_view attachment) {
    const std::u16string lookup = u"BSTR \"" + std::u16string(lookupFile) + u"\"";
    const std::u16string file = u"BSTR \"" + std::u16string(attachment) + u"\"";
    Lines expected = {
        u"new ACTOLE.APPOBJECT",
        u"APPOBJECT.SaveCurrentLookup(" + lookup + u")",
        u"APPOBJECT.GetOpenDBName()",
        u"new ACTOLE.DATABASE",
        u"DATABASE.Open(BSTR& \"C:\\Data\\Contacts.dbf\")",
        // The remembered credentials, as values: refused.
        u"APPOBJECT.GetCurrentUserName()",
        u"DATABASE.validateuser(BSTR \"Pat\", BSTR \"old\")",
        u"DATABASE.Error()",
        // The login dialog is filled, then the login routine gets the user name afresh.
        u"APPOBJECT.GetCurrentUserName()",
        u"APPOBJECT.GetCurrentUserName()",
        u"DATABASE.IsMultiUser()",
        u"DATABASE.validateuser(BSTR& \"Pat\", BSTR& \"" + std::u16string(typedPassword) + u"\")",
        u"DATABASE.Error()",
        // The lookup reloaded into the program's own connection; Contact read at every use.
        u"DATABASE.Contact()",
        u"Contact.Loadlookupquery(" + lookup + u")",
        u"DATABASE.Contact()",
        u"Contact.MoveFirst()",
        u"DATABASE.Contact()",
        u"Contact.recordCount()",
    };
    // The first pass collects the identifiers.
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(),
                        {u"DATABASE.Contact()", u"Contact.IsEOF()", u"DATABASE.Contact()",
                         u"Contact.Data(I2 1)", u"DATABASE.Contact()", u"Contact.movenext()"});
    }
    expected.insert(expected.end(), {u"DATABASE.Contact()", u"Contact.IsEOF()",
                                     u"DATABASE.Contact()", u"Contact.MoveFirst()"});
    // The second pass writes one record per contact, fields 29, 25, 26, 28, 200.
    for (const char16_t* id : {u"9", u"12", u"7"}) {
        const std::u16string byRef = u"BSTR& \"" + std::u16string(id) + u"\"";
        expected.insert(expected.end(),
                        {u"DATABASE.Contact()", u"Contact.Lookup(I2 1, " + byRef + u", I2 1)",
                         u"DATABASE.NOTEHISTORY()", u"NOTEHISTORY.Add()", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 29, " + byRef + u")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 25, I2& 101)", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 26, BSTR \"Offer sent\")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 28, " + file + u")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Data(I2 200, BSTR \"12/6/2026\")", u"DATABASE.NOTEHISTORY()",
                         u"NOTEHISTORY.Update()"});
    }
    expected.push_back(u"DATABASE.Close()");
    return expected;
}

Lines canonicalSpellCheckCalls() {
    Lines expected = {
        u"new word.application",
        u"Word.Application.Visible=(BOOL False)",
        u"Word.Application.WindowState=(I4 2)",
        u"Word.Application.Documents()",
        u"Documents.Add()",
    };
    const auto token = [&](std::u16string text, bool misspelled) {
        expected.insert(
            expected.end(),
            {u"Document.Range(missing, missing)", u"Range.Delete(missing, missing)",
             u"Document.Range(missing, missing)", u"Range.Text=(BSTR \"" + text + u"\")",
             u"Document.SpellingErrors()", u"ProofreadingErrors.Count()"});
        if (misspelled)
            expected.insert(expected.end(), {u"ProofreadingErrors.Item(I4 1)", u"Range.Text()"});
    };
    const auto suggestions = [&](int n) {
        expected.insert(expected.end(), {u"Word.Application.GetSpellingSuggestions(DISPATCH)",
                                         u"SpellingSuggestions.Count()"});
        for (int i = 1; i <= n; ++i)
            expected.insert(expected.end(), {u"SpellingSuggestions.Item(I4 " +
                                                 std::u16string(1, char16_t(u'0' + i)) + u")",
                                             u"SpellingSuggestion.Name()"});
    };
    token(u"Meet", false);
    token(u"teh", true);
    suggestions(2);
    token(u"clent", true);
    suggestions(1);
    token(u"today", false);
    expected.insert(expected.end(), {u"Document.Close(I4 0, missing, missing)",
                                     u"Word.Application.Quit(SaveChanges:=I4 0)"});
    return expected;
}

void expectSameCalls(const Lines& actual, const Lines& expected) {
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::u16string a = i < actual.size() ? actual[i] : u"(nothing)";
        const std::u16string e = i < expected.size() ? expected[i] : u"(nothing)";
        ASSERT_EQ(toUtf8(a), toUtf8(e)) << "call " << i + 1;
    }
}

}  // namespace penwick::testing
