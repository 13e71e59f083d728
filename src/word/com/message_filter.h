#pragma once
// Word turns calls away while it is busy: just started, or a dialog open in
// it. With a filter registered on the thread, such calls are tried again
// until the filter's patience runs out, both inside COM (where the system
// asks the filter) and by the automation layer (where COM hands the
// rejection back at once, as Wine's does); then the call fails with a text
// that tells the user what to do.

#include <chrono>
#include <functional>
#include <memory>

#include <windows.h>

namespace tarnfold::word::com {

inline constexpr std::chrono::milliseconds kWordPatience = std::chrono::seconds(60);

inline constexpr char kWordBusyMessage[] =
    "Word занят и не отвечает (возможно, в нем открыто диалоговое окно). Закройте диалоговое окно в Word и "
    "повторите выгрузку";

// The thread's message filter for as long as the object lives; the thread
// must be in a single-threaded apartment.
class BusyServerFilter {
public:
    explicit BusyServerFilter(std::chrono::milliseconds patience = kWordPatience);
    ~BusyServerFilter();
    BusyServerFilter(const BusyServerFilter&) = delete;
    BusyServerFilter& operator=(const BusyServerFilter&) = delete;

    std::chrono::milliseconds Patience() const { return patience_; }

private:
    class Filter;
    std::chrono::milliseconds patience_;
    std::unique_ptr<Filter> filter_;
    BusyServerFilter* outer_;
};

// Whether a call failed because the server turned it away.
bool IsRejectedCall(HRESULT result);

// Makes the call, and makes it again while the server turns it away and the
// thread's filter has patience left; without a filter it is made once.
// Returns the result of the last try.
HRESULT CallWhileBusy(const std::function<HRESULT()>& call);

}  // namespace tarnfold::word::com
