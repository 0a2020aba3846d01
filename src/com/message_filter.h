#pragma once
// How the program waits for a busy automation server. Word and the contact manager refuse calls
// while they start or are busy; the classic runtime retried such calls quietly for a while and
// then offered the user the choice to go on waiting or to give up. The filter does the same
// for the user-interface thread, and keeps the windows painted while a call is under way.

#include <windows.h>

#include <objidl.h>

#include <functional>

namespace penwick::ui {
class Ui;
}

namespace penwick::com {

// The decision alone, free of COM, so that it can be checked on its own.
class BusyPolicy {
public:
    // Answers whether to go on waiting once the quiet period has passed.
    using AskRetry = std::function<bool()>;
    static constexpr DWORD kQuietMs = 10000;
    static constexpr DWORD kRetryEveryMs = 250;
    static constexpr DWORD kGiveUp = static_cast<DWORD>(-1);

    explicit BusyPolicy(AskRetry askRetry) : askRetry_(std::move(askRetry)) {}

    // What RetryRejectedCall answers: the milliseconds to wait before the call is tried again,
    // or kGiveUp. `elapsedMs` counts from the call's first try.
    DWORD retryRejected(DWORD elapsedMs, DWORD rejectType);

private:
    AskRetry askRetry_;
    DWORD quietFrom_ = 0;  // where the current quiet period began, on the call's clock
    DWORD lastElapsed_ = 0;
};

// The message filter of the user-interface thread.
class MessageFilter final : public IMessageFilter {
public:
    // Asks through the program's own message box once a server stays busy.
    explicit MessageFilter(ui::Ui& ui);
    explicit MessageFilter(BusyPolicy policy) : policy_(std::move(policy)) {}
    MessageFilter(const MessageFilter&) = delete;
    MessageFilter& operator=(const MessageFilter&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    // The filter lives as long as the program's main: COM's references do not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override;

    // How often RetryRejectedCall has been asked, by the runtime or by the caller.
    unsigned consultations() const { return consultations_; }
    // Waits, painting the windows and answering sent messages, but leaving the user's input
    // queued for the program's own loop.
    static void waitPainting(DWORD ms);

private:
    BusyPolicy policy_;
    unsigned consultations_ = 0;
};

// Puts the filter in place on the calling thread (which must be in a single-threaded apartment)
// and the one before it back at the end.
class MessageFilterRegistration {
public:
    explicit MessageFilterRegistration(MessageFilter& filter);
    ~MessageFilterRegistration();
    MessageFilterRegistration(const MessageFilterRegistration&) = delete;
    MessageFilterRegistration& operator=(const MessageFilterRegistration&) = delete;

private:
    IMessageFilter* previous_ = nullptr;
};

}  // namespace penwick::com
