#pragma once
// The batch's text on Windows. A console window shows text in its own code
// page, which is not UTF-8: text for a console goes through WriteConsoleW as
// UTF-16, so that Cyrillic shows whatever the code page. Text redirected to
// a file or a pipe stays UTF-8, as on Linux.

#include <windows.h>

#include <streambuf>
#include <string>
#include <string_view>

namespace tarnfold::batch {

class ConsoleHandleBuffer : public std::streambuf {
public:
    // The handle stays the caller's; a null or invalid one takes text and drops it.
    explicit ConsoleHandleBuffer(HANDLE handle);
    ~ConsoleHandleBuffer() override;
    ConsoleHandleBuffer(const ConsoleHandleBuffer&) = delete;
    ConsoleHandleBuffer& operator=(const ConsoleHandleBuffer&) = delete;

    bool IsConsole() const { return console_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool Write(std::string_view utf8);

    HANDLE handle_;
    bool console_;
    std::string pending_;  // up to the next flush; a UTF-8 character begun waits for its end
};

// Lets the console obey the progress line's control sequences (back to the
// line's start, clear to its end); false when the handle is no console or
// the console cannot, and then no progress line should be drawn.
bool EnableLiveProgress(HANDLE handle);

}  // namespace tarnfold::batch
