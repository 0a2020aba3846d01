#pragma once
// The call log of the test servers: one line per call an object receives, appended to the file
// the configuration names, so the in-process and the local server write the same way.
//
//   DATABASE.validateuser(BSTR& "Pat" -> "Pat", BSTR& "secret")
//   Word.Application.WindowState=(I4 2)
//   ? Contact.IsEOF                       a name looked up with GetIDsOfNames
//   # note contact=2 25=I2 101 ...        what NOTEHISTORY.Update stored

#include <windows.h>

#include <oaidl.h>

#include <string>

namespace penwick::testserver {

void logLine(const std::wstring& line);
// "I2 5", "BSTR \"x\"", "BSTR& \"x\"", "missing", "DISPATCH", …
std::wstring describe(const VARIANT& v);
// A VARIANT's value as plain text (numbers in decimal), by reference or not.
std::wstring plainText(const VARIANT& v);

}  // namespace penwick::testserver
