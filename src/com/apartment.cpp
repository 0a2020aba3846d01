#include "com/apartment.h"

#include <windows.h>

#include <objbase.h>

#include "com/automation_error.h"

namespace penwick::com {

Apartment::Apartment() {
    // S_FALSE (already a member) is balanced by CoUninitialize as well.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) throw automationFailure(hr, u"CoInitializeEx");
}

Apartment::~Apartment() {
    CoUninitialize();
}

}  // namespace penwick::com
