#pragma once
// The registration of the stand-in word processor (word_stand_in.exe) as the
// local server of "Word.Application", in the machine's classes: Wine reads no
// per-user classes. Only for a test prefix or machine that has no Word, since
// it takes Word's programmatic identifier.

#include <windows.h>

#include <string>

namespace tarnfold::testing {

inline constexpr wchar_t kStandInProgId[] = L"Word.Application";
inline constexpr wchar_t kStandInClassId[] = L"{3B6E9F52-1C7A-4E0D-9A48-5F2D8C61B7E3}";

CLSID StandInClassId();

// What "Word.Application" names here: nothing, the stand-in, or another
// server (Word itself), which tests leave alone.
enum class WordApplication { None, StandIn, Other };
WordApplication RegisteredWordApplication();

// Both write or remove the keys and report whether every step succeeded.
// Neither touches an identifier that names another class (Word's own).
// The command is the server's path, in quotes when it holds blanks.
bool RegisterStandIn(const std::wstring& serverCommand);
bool UnregisterStandIn();

// The command the stand-in's class is started with, empty when it is not registered.
std::wstring RegisteredStandInCommand();

// The identifier taken away for the lifetime of this object and put back as it was.
class StandInUnregistered {
public:
    StandInUnregistered();
    StandInUnregistered(const StandInUnregistered&) = delete;
    StandInUnregistered& operator=(const StandInUnregistered&) = delete;
    ~StandInUnregistered();
    bool removed() const { return removed_; }

private:
    std::wstring serverCommand_;
    bool removed_ = false;
};

}  // namespace tarnfold::testing
