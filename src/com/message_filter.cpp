#include "com/message_filter.h"

#include "com/automation_error.h"
#include "ui/window.h"

namespace penwick::com {

namespace {

constexpr char16_t kBusyPrompt[] =
    u"This action cannot be completed because the other program is busy.\r\n"
    u"Choose Retry to wait for it, or Cancel to stop.";

void dispatchPaintAndSent() {
    MSG msg;
    // Sent messages are answered by PeekMessage itself; only painting is taken off the queue.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&msg);
}

}  // namespace

DWORD BusyPolicy::retryRejected(DWORD elapsedMs, DWORD rejectType) {
    // A refusal for good is not waited out.
    if (rejectType != SERVERCALL_RETRYLATER) return kGiveUp;
    if (elapsedMs < lastElapsed_) quietFrom_ = 0;  // a new call: a new quiet period
    lastElapsed_ = elapsedMs;
    if (elapsedMs - quietFrom_ < kQuietMs) return kRetryEveryMs;
    if (!askRetry_ || !askRetry_()) return kGiveUp;
    quietFrom_ = elapsedMs;
    return 0;  // at once
}

MessageFilter::MessageFilter(ui::Ui& ui)
    : policy_([&ui] {
          return ui.messageBox(kBusyPrompt, ui::MessageStyle::ExclamationRetryCancel, u"Penwick") ==
                 ui::MessageAnswer::Retry;
      }) {}

HRESULT MessageFilter::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
        *out = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

DWORD MessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;  // the program serves no objects of its own
}

DWORD MessageFilter::RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejectType) {
    ++consultations_;
    return policy_.retryRejected(elapsedMs, rejectType);
}

DWORD MessageFilter::MessagePending(HTASK, DWORD, DWORD) {
    // The windows repaint; a click stays queued until the program's own loop lets it run, so
    // no handler starts in the middle of an automation call.
    dispatchPaintAndSent();
    return PENDINGMSG_WAITNOPROCESS;
}

void MessageFilter::waitPainting(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_PAINT | QS_SENDMESSAGE);
        dispatchPaintAndSent();
    }
}

MessageFilterRegistration::MessageFilterRegistration(MessageFilter& filter) {
    const HRESULT hr = CoRegisterMessageFilter(&filter, &previous_);
    if (FAILED(hr)) throw automationFailure(hr, u"CoRegisterMessageFilter");
}

MessageFilterRegistration::~MessageFilterRegistration() {
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_, &ours);
    if (previous_) previous_->Release();
}

}  // namespace penwick::com
