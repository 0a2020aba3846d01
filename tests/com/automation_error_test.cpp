// The one mapping from HRESULT and EXCEPINFO to the program's failures, for the results that
// the test servers do not produce on their own.

#include <gtest/gtest.h>

#include "com/automation_error.h"

namespace penwick::testing {
namespace {

struct Mapped {
    HRESULT hr;
    int number;
    const char16_t* description;
};

TEST(AutomationError, HResultsGetTheClassicNumbersAndWording) {
    const Mapped table[] = {
        {DISP_E_UNKNOWNNAME, 438, u"Object doesn't support this property or method"},
        {DISP_E_MEMBERNOTFOUND, 438, u"Object doesn't support this property or method"},
        {DISP_E_TYPEMISMATCH, 13, u"Type mismatch"},
        {DISP_E_OVERFLOW, 6, u"Overflow"},
        {DISP_E_BADPARAMCOUNT, 450, u"Wrong number of arguments or invalid property assignment"},
        {REGDB_E_CLASSNOTREG, 429, u"ActiveX component can't create object"},
        {CO_E_CLASSSTRING, 429, u"ActiveX component can't create object"},
        {CO_E_SERVER_EXEC_FAILURE, 429, u"ActiveX component can't create object"},
        // A server that went away: the HRESULT, and words that say what happened.
        {RPC_E_DISCONNECTED, static_cast<int>(RPC_E_DISCONNECTED),
         u"Automation error\r\nThe object invoked has disconnected from its clients."},
        {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), static_cast<int>(0x800706BA),
         u"Automation error\r\nThe RPC server is unavailable."},
        {CO_E_OBJNOTCONNECTED, static_cast<int>(CO_E_OBJNOTCONNECTED),
         u"Automation error\r\nObject is not connected to server"},
        {E_NOINTERFACE, static_cast<int>(E_NOINTERFACE), u"Automation error"},
    };
    for (const Mapped& m : table) {
        const Failure f = com::automationFailure(m.hr, u"Open");
        EXPECT_EQ(f.number(), m.number) << std::hex << m.hr;
        EXPECT_EQ(f.description(), m.description) << std::hex << m.hr;
        EXPECT_EQ(f.source(), u"Open");
    }
}

TEST(AutomationError, AnExceptionWithoutWordsOfItsOwnTakesThoseOfItsCode) {
    com::ExceptionInfo info;
    info.get()->scode = DISP_E_TYPEMISMATCH;
    const Failure typed = com::automationFailure(DISP_E_EXCEPTION, u"Data", &info);
    EXPECT_EQ(typed.number(), 13);
    EXPECT_EQ(typed.description(), u"Type mismatch");
    EXPECT_EQ(typed.source(), u"Data");

    // Neither code nor words: still a failure, never a success.
    com::ExceptionInfo empty;
    const Failure bare = com::automationFailure(DISP_E_EXCEPTION, u"Data", &empty);
    EXPECT_EQ(bare.number(), static_cast<int>(E_FAIL));
    EXPECT_EQ(bare.description(), u"Automation error");
}

}  // namespace
}  // namespace penwick::testing
