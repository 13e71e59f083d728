#include "batch/batch_main_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/console_win32.h"
#include "batch/interrupt.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/wide_text.h"
#include "word/com/apartment.h"
#include "word/com/message_filter.h"

namespace tarnfold::batch {

namespace {

struct LocalFreer {
    void operator()(wchar_t** block) const { LocalFree(block); }
};

// The arguments after the program's name, in UTF-8: the narrow command line
// would have lost what the system's code page lacks.
std::vector<std::string> CommandLineArguments() {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreer> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> utf8;
    for (int i = 1; arguments && i < count; ++i) utf8.push_back(win32::Narrow(arguments.get()[i]));
    return utf8;
}

// std::cerr through another buffer while this object lives: what the program
// ends with at once is written there too.
class ErrorStreamBuffer {
public:
    explicit ErrorStreamBuffer(std::streambuf& buffer) : kept_(std::cerr.rdbuf(&buffer)) {}
    ~ErrorStreamBuffer() { std::cerr.rdbuf(kept_); }
    ErrorStreamBuffer(const ErrorStreamBuffer&) = delete;
    ErrorStreamBuffer& operator=(const ErrorStreamBuffer&) = delete;

private:
    std::streambuf* kept_;
};

}  // namespace

int BatchMain(const RowOpener& openRows) {
    ConsoleHandleBuffer outBuffer(GetStdHandle(STD_OUTPUT_HANDLE));
    ConsoleHandleBuffer errBuffer(GetStdHandle(STD_ERROR_HANDLE));
    const ErrorStreamBuffer errorStream(errBuffer);
    std::ostream out(&outBuffer);
    StartInterruptWatch();
    std::optional<word::com::ComApartment> apartment;
    // A Word that is busy (a dialog open in the user's Word) is waited for.
    std::optional<word::com::BusyServerFilter> busyWord;
    try {
        apartment.emplace();
        busyWord.emplace();
    } catch (const Error& error) {
        std::cerr << "Не удалось подготовить вызовы Word: " << error.what() << std::endl;
        return kExitOffice;
    }
    return RunBatchProgram(CommandLineArguments(), ProgramFolder(), out, std::cerr,
                           EnableLiveProgress(GetStdHandle(STD_ERROR_HANDLE)), openRows);
}

}  // namespace tarnfold::batch
