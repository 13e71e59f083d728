#include "word/com/message_filter.h"

#include <objbase.h>

#include "core/error.h"
#include "word/com/automation.h"

namespace tarnfold::word::com {

namespace {

thread_local BusyServerFilter* registered = nullptr;

constexpr DWORD kRetryAfterMs = 100;

}  // namespace

// What COM asks on this thread: a rejected call is tried again after a
// moment until the patience runs out; nothing else is filtered.
class BusyServerFilter::Filter final : public IMessageFilter {
public:
    explicit Filter(std::chrono::milliseconds patience) : patience_(patience) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IMessageFilter ? static_cast<IMessageFilter*>(this) : nullptr;
        return *out != nullptr ? S_OK : E_NOINTERFACE;
    }
    // The object lives as long as its owner, which takes it back from COM first.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejection) override {
        const bool busy = rejection == SERVERCALL_RETRYLATER || rejection == SERVERCALL_REJECTED;
        if (busy && std::chrono::milliseconds(elapsedMs) < patience_) return kRetryAfterMs;
        return static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    std::chrono::milliseconds patience_;
};

BusyServerFilter::BusyServerFilter(std::chrono::milliseconds patience)
    : patience_(patience), filter_(std::make_unique<Filter>(patience)), outer_(registered) {
    const HRESULT hr = CoRegisterMessageFilter(filter_.get(), nullptr);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    registered = this;
}

BusyServerFilter::~BusyServerFilter() {
    CoRegisterMessageFilter(outer_ ? outer_->filter_.get() : nullptr, nullptr);
    registered = outer_;
}

bool IsRejectedCall(HRESULT result) { return result == RPC_E_CALL_REJECTED || result == RPC_E_SERVERCALL_RETRYLATER; }

HRESULT CallWhileBusy(const std::function<HRESULT()>& call) {
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const HRESULT result = call();
        if (!IsRejectedCall(result) || registered == nullptr) return result;
        if (std::chrono::steady_clock::now() - started >= registered->Patience()) return result;
        Sleep(kRetryAfterMs);
    }
}

}  // namespace tarnfold::word::com
