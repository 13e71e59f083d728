#include "settings/profile_file.h"

#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/file_reading.h"
#include "core/paths.h"
#include "core/text.h"
#include "settings/file_io.h"

namespace tarnfold {
namespace {

std::optional<std::string> SectionNameOf(std::string_view line) {
    const std::string text = Trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    const std::size_t close = text.find(']');
    return Trim(std::string_view(text).substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// Blank lines, comments (";") and lines without "=" hold no key.
std::optional<std::string> KeyOf(std::string_view line) {
    const std::string text = Trim(line);
    const std::size_t equals = text.find('=');
    if (text.empty() || text.front() == ';' || text.front() == '[' || equals == std::string::npos) return std::nullopt;
    return Trim(std::string_view(text).substr(0, equals));
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool HasEnclosingQuotes(std::string_view value) {
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

std::string ValueOf(std::string_view line) {
    std::string value = Trim(line.substr(line.find('=') + 1));
    if (HasEnclosingQuotes(value)) value = value.substr(1, value.size() - 2);
    return value;
}

// A value that ValueOf would trim or take for quoted gets quotation marks of
// its own, so that it reads back as it was written.
bool NeedsQuotes(std::string_view value) {
    return !value.empty() && (Trim(value).size() != value.size() || HasEnclosingQuotes(value));
}

// A line break inside a value would split it into lines of their own, which
// could then read as keys or sections.
std::string OneLine(std::string_view value) {
    std::string line(value);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

}  // namespace

ProfileFile::ProfileFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(fileName_), ec)) return;
    try {
        original_ = ReadFileBytes(fileName_);
    } catch (const Error&) {
        readable_ = false;
        return;
    }
    lines_ = SettingsLines(original_);
}

std::optional<ProfileFile::Span> ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionNameOf(lines_[i]);
        if (!name || !EqualsIgnoreCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionNameOf(lines_[end])) ++end;
        return Span{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileFile::FindKey(const Span& span, std::string_view key) const {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto name = KeyOf(lines_[i]);
        if (name && EqualsIgnoreCase(*name, key)) return i;
    }
    return std::nullopt;
}

bool ProfileFile::SectionExists(std::string_view section) const {
    const auto span = FindSection(section);
    if (!span) return false;
    for (std::size_t i = span->header + 1; i < span->end; ++i)
        if (KeyOf(lines_[i])) return true;
    return false;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    const auto span = FindSection(section);
    if (!span) return std::string(fallback);
    const auto line = FindKey(*span, key);
    return line ? ValueOf(lines_[*line]) : std::string(fallback);
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string text = OneLine(value);
    if (NeedsQuotes(text)) text = '"' + text + '"';
    std::string line = std::string(key) + "=" + text;
    const auto span = FindSection(section);
    if (!span) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    if (const auto existing = FindKey(*span, key)) {
        lines_[*existing] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so a blank line that parts it
    // from the next section stays where it is.
    std::size_t at = span->end;
    while (at > span->header + 1 && Trim(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::string ProfileFile::Render() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\r\n";
    // A Linux folder name with a letter the code page lacks would come back as
    // "?" and name a folder that does not exist; UTF-8 keeps it, and the reading
    // rule recognises it. So does a text whose code-page bytes happen to form
    // UTF-8 ("Рђ" is D0 90, UTF-8 for "А"): reading would take them for UTF-8.
    if (FitsCp1251(text)) {
        std::string bytes = Utf8ToCp1251(text);
        if (DecodeUtf8OrCp1251(bytes) == Cp1251ToUtf8(bytes)) return bytes;
    }
    std::string bytes = ReplaceBrokenUtf8(text);
    // Reading drops one leading byte-order mark; a text that itself starts with
    // U+FEFF keeps it only behind a mark of its own.
    if (StartsWith(bytes, kByteOrderMark)) bytes.insert(0, kByteOrderMark);
    return bytes;
}

void ProfileFile::Commit() {
    if (!readable_) throw Error("Unable to write to " + fileName_);
    std::string bytes = Render();
    if (bytes == original_) return;
    ReplaceFileAtomically(fileName_, bytes);
    original_ = std::move(bytes);
}

}  // namespace tarnfold
