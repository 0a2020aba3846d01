#pragma once
// A type library that describes Word's published interfaces (as dispatch interfaces), so that
// COM can marshal them between the test program and the local server, as Word's own type
// library lets it do for Word.

#include <string>

#include <windows.h>

namespace penwick::testserver {

HRESULT registerWordTypeLibrary(const std::wstring& path);
HRESULT unregisterWordTypeLibrary();

}  // namespace penwick::testserver
