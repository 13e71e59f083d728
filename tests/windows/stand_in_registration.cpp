#include "stand_in_registration.h"

#include <objbase.h>

#include <memory>
#include <type_traits>

namespace tarnfold::testing {

namespace {

const std::wstring kClassesRoot = L"Software\\Classes\\";

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

bool WriteDefault(const std::wstring& path, const std::wstring& value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const Key key(raw);
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ReadDefault(const std::wstring& path) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return {};
    const Key key(raw);
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return buffer;
}

bool RemoveTree(const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::wstring ClassPath() { return kClassesRoot + L"CLSID\\" + kStandInClassId; }

bool ProgIdIsOursOrFree() {
    const std::wstring classId = ReadDefault(kClassesRoot + kStandInProgId + L"\\CLSID");
    return classId.empty() || CompareStringOrdinal(classId.c_str(), -1, kStandInClassId, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

CLSID StandInClassId() {
    CLSID id{};
    CLSIDFromString(kStandInClassId, &id);
    return id;
}

bool RegisterStandIn(const std::wstring& serverCommand) {
    if (!ProgIdIsOursOrFree()) return false;
    return WriteDefault(kClassesRoot + kStandInProgId, L"Stand-in word processor of the tests") &&
           WriteDefault(kClassesRoot + kStandInProgId + L"\\CLSID", kStandInClassId) &&
           WriteDefault(ClassPath(), L"Stand-in word processor of the tests") &&
           WriteDefault(ClassPath() + L"\\ProgID", kStandInProgId) &&
           WriteDefault(ClassPath() + L"\\LocalServer32", serverCommand);
}

bool UnregisterStandIn() {
    if (!ProgIdIsOursOrFree()) return false;
    const bool progId = RemoveTree(kClassesRoot + kStandInProgId);
    return RemoveTree(ClassPath()) && progId;
}

std::wstring RegisteredStandInCommand() { return ReadDefault(ClassPath() + L"\\LocalServer32"); }

StandInUnregistered::StandInUnregistered() : serverCommand_(RegisteredStandInCommand()) {
    removed_ = !serverCommand_.empty() && UnregisterStandIn();
}

StandInUnregistered::~StandInUnregistered() {
    if (removed_) RegisterStandIn(serverCommand_);
}

WordApplication RegisteredWordApplication() {
    CLSID registered;
    if (CLSIDFromProgID(kStandInProgId, &registered) != S_OK) return WordApplication::None;
    return IsEqualCLSID(registered, StandInClassId()) ? WordApplication::StandIn : WordApplication::Other;
}

}  // namespace tarnfold::testing
