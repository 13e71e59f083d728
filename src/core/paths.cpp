#include "core/paths.h"

#include <filesystem>
#include <system_error>

#include "core/text.h"

namespace tarnfold {

std::string FolderWithTrailingSeparator(std::string_view folder) {
    if (folder.empty()) return {};
    const char last = folder.back();
    if (last == ':' || last == '\\' || last == '/') return std::string(folder);
    const bool letter = folder.size() == 1 && ((last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z'));
    if (letter) return std::string(folder) + ":\\";
    const bool windowsStyle = PathSeparator() == '\\' || folder.find('\\') != std::string_view::npos;
    return std::string(folder) + (windowsStyle ? '\\' : '/');
}

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/:"); }

std::string FolderPart(std::string_view path) {
    const std::size_t pos = LastSeparator(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string FileNamePart(std::string_view path) {
    const std::size_t pos = LastSeparator(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    const auto* begin = reinterpret_cast<const char8_t*>(utf8.data());
    return std::filesystem::path(std::u8string(begin, begin + utf8.size()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(PathFromUtf8(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(PathFromUtf8(path), ec);
}

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::filesystem::path AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), ec);
    if (ec) absolute = PathFromUtf8(path);
    return absolute.lexically_normal();
}

std::string FileUrl(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : PathToUtf8(AbsolutePath(path))) {
        if (Unreserved(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 15];
        }
    }
    return url;
}

std::string PathFromFileUrl(const std::string& url) {
    if (!StartsWith(url, "file://")) return {};
    std::string path;
    for (std::size_t i = 7; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && HexValue(url[i + 1]) >= 0 && HexValue(url[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(url[i + 1]) * 16 + HexValue(url[i + 2]));
            i += 2;
        } else {
            path += url[i];
        }
    }
    // "file://host/path" names a path on another machine; only the local form is a path here.
    if (path.empty() || path[0] != '/') return {};
    return path;
}

}  // namespace tarnfold
