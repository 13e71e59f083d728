#include "export/output_file.h"

#include <cerrno>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/paths.h"
#include "word/office_lock.h"

namespace tarnfold {

namespace {

bool WriteProtected(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(PathFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
#else
    // By the mode bits as well: a file the user marked read-only stays so even
    // for a user whom the system would let write it.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || (::access(path.c_str(), W_OK) != 0 && errno == EACCES);
#endif
}

#ifdef _WIN32
// Word keeps the documents it has open from being opened for writing by anyone else.
bool HeldByAnotherProgram(const std::string& path) {
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}
#endif

}  // namespace

std::string WorkingDocumentPath(const std::string& outputPath) {
    return FolderPart(outputPath) + "~tf-" + FileNamePart(outputPath);
}

std::string UnfinishedDocumentPath(const std::string& outputPath) {
    const std::string folder = FolderPart(outputPath);
    const std::string name = FileNamePart(outputPath);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return outputPath + " (не завершено)";
    return folder + name.substr(0, dot) + " (не завершено)" + name.substr(dot);
}

std::optional<std::string> OutputRefusal(const std::string& outputPath) {
    if (!FileExists(outputPath)) return std::nullopt;
    if (WriteProtected(outputPath))
        return "Файл " + outputPath + " защищён от записи: прежний отчёт не заменён. Снимите защиту или удалите файл "
               "и повторите выгрузку";
#ifdef _WIN32
    if (HeldByAnotherProgram(outputPath))
        return "Файл " + outputPath + " открыт другой программой: закройте его и повторите выгрузку";
#endif
    if (const std::optional<word::OfficeLock> lock = word::ReadOfficeLock(outputPath))
        return "Файл " + outputPath + " открыт другой программой (" + word::DescribeOfficeLock(*lock) +
               "): закройте его и повторите выгрузку";
    return std::nullopt;
}

}  // namespace tarnfold
