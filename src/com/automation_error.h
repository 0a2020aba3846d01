#pragma once
// How a failed automation call becomes the program's failure: number, description and source.

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "util/failure.h"

namespace penwick::com {

// The EXCEPINFO that IDispatch::Invoke fills in; its strings are freed with it.
class ExceptionInfo {
public:
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo();
    EXCEPINFO* get() { return &info_; }

private:
    EXCEPINFO info_{};
};

// The one mapping of an HRESULT (and, for DISP_E_EXCEPTION, of the object's EXCEPINFO) to the
// program's failure. The object's own number, description and source win where it gives them;
// other HRESULTs get the numbers and wording the program's users know (438, 13, 6, 450, 429, …)
// and anything unknown is the HRESULT itself with "Automation error". A deferred fill-in is
// called only for an object in this process: a fill-in function of another process is an
// address there, not here.
Failure automationFailure(HRESULT hr, std::u16string_view source, ExceptionInfo* info = nullptr,
                          bool inProcess = false);

}  // namespace penwick::com
