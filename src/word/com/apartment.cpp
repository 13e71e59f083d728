#include "word/com/apartment.h"

#include <objbase.h>

#include "core/error.h"
#include "word/com/automation.h"

namespace tarnfold::word::com {

ComApartment::ComApartment() {
    // S_FALSE (the thread is already in an apartment of this kind, for
    // instance through the window toolkit) counts as joining and is balanced
    // by the destructor like S_OK.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
    joined_ = true;
}

ComApartment::ComApartment(AnyThread) : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}

ComApartment::~ComApartment() {
    if (joined_) CoUninitialize();
}

}  // namespace tarnfold::word::com
