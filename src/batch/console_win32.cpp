#include "batch/console_win32.h"

#include "core/text.h"

namespace tarnfold::batch {

namespace {

constexpr std::size_t kFlushSize = 4096;

bool IsConsoleHandle(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// How many leading bytes of `text` end on a whole UTF-8 character: the bytes
// of a character begun at the end wait for the next write.
std::size_t WholeCharacters(std::string_view text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? text.size() - back : text.size();
    }
    return text.size();
}

}  // namespace

ConsoleHandleBuffer::ConsoleHandleBuffer(HANDLE handle) : handle_(handle), console_(IsConsoleHandle(handle)) {}

ConsoleHandleBuffer::~ConsoleHandleBuffer() {
    sync();
    // A character left unfinished is shown as such rather than lost.
    if (!pending_.empty()) Write("?");
}

ConsoleHandleBuffer::int_type ConsoleHandleBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char character = traits_type::to_char_type(c);
    xsputn(&character, 1);
    return c;
}

std::streamsize ConsoleHandleBuffer::xsputn(const char* text, std::streamsize count) {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.size() >= kFlushSize && sync() != 0) return 0;
    return count;
}

int ConsoleHandleBuffer::sync() {
    const std::size_t whole = WholeCharacters(pending_);
    const bool written = Write(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    return written ? 0 : -1;
}

bool ConsoleHandleBuffer::Write(std::string_view utf8) {
    if (utf8.empty() || handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return true;
    if (console_) {
        const std::u16string wide = Utf8ToUtf16(utf8);
        const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            if (!WriteConsoleW(handle_, units + done, static_cast<DWORD>(wide.size() - done), &written, nullptr) ||
                written == 0)
                return false;
            done += written;
        }
        return true;
    }
    for (std::size_t done = 0; done < utf8.size();) {
        DWORD written = 0;
        if (!WriteFile(handle_, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

bool EnableLiveProgress(HANDLE handle) {
    DWORD mode = 0;
    if (!IsConsoleHandle(handle) || !GetConsoleMode(handle, &mode)) return false;
    return SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace tarnfold::batch
