#include "export/output_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "core/files.h"
#include "core/paths.h"
#include "word/office_lock.h"

namespace tarnfold {

namespace {

// The zip writer makes its file under the name it writes, a dot and six
// letters or digits, and renames it when complete.
constexpr std::size_t kPartialCopySuffixLength = 7;

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

std::string RunLockPath(const std::string& outputPath) {
    return FolderPart(outputPath) + ".~tf-" + FileNamePart(outputPath) + "#";
}

std::size_t RunNameAddition() {
    // The unfinished copy's partial copy while it is written, and the lock file
    // the office keeps for it, are the longest.
    const std::string name = "x.doc";
    const std::string unfinished = FileNamePart(UnfinishedDocumentPath(name));
    const std::size_t longest =
        std::max({FileNamePart(RunLockPath(name)).size(), FileNamePart(word::OfficeLockPath(unfinished)).size(),
                  FileNamePart(PartialFilePath(unfinished)).size() + kPartialCopySuffixLength});
    return longest - name.size();
}

bool IsPartialRunFile(const std::string& fileName, const std::string& outputPath) {
    const std::string report = FileNamePart(outputPath);
    const std::string working = FileNamePart(WorkingDocumentPath(outputPath));
    if (fileName == working) return true;
    for (const std::string& whole : {report, working, FileNamePart(UnfinishedDocumentPath(outputPath))}) {
        const std::string partial = FileNamePart(PartialFilePath(whole));
        if (fileName == partial) return true;
        // The zip writer makes its file under a name of its own first: a dot
        // and six letters or digits after it. Before partial copies it wrote
        // the .docx under its own name.
        const bool zipWritten = whole.size() > 5 && whole.compare(whole.size() - 5, 5, ".docx") == 0;
        for (const std::string& written : {zipWritten ? whole : partial, partial}) {
            if (fileName.size() != written.size() + kPartialCopySuffixLength || fileName.rfind(written, 0) != 0 ||
                fileName[written.size()] != '.')
                continue;
            if (std::all_of(fileName.begin() + static_cast<std::ptrdiff_t>(written.size()) + 1, fileName.end(),
                            [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
                return true;
        }
    }
    return false;
}

namespace {

// A zip archive that was written to its end carries the end record in its
// last 64 KiB; the zip writer's file of a killed run does not.
bool HoldsWholeZip(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    const std::streamoff tail = std::min<std::streamoff>(size, 65536 + 22);
    std::string bytes(static_cast<std::size_t>(tail), '\0');
    in.seekg(size - tail);
    in.read(bytes.data(), tail);
    return in && bytes.find(std::string("PK\x05\x06", 4)) != std::string::npos;
}

}  // namespace

void RemovePartialRunFiles(const std::string& outputPath) {
    const std::string report = FileNamePart(outputPath);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(PathFromUtf8(FolderPart(outputPath)), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (!IsPartialRunFile(name, outputPath)) continue;
        // A name the report's own with a dot and six letters may also be the
        // user's copy ("….docx.backup"): only an archive left unfinished goes.
        const bool couldBeUsers = name.size() == report.size() + kPartialCopySuffixLength && name.rfind(report, 0) == 0;
        if (couldBeUsers && HoldsWholeZip(it->path())) continue;
        std::error_code ignored;
        std::filesystem::remove(it->path(), ignored);
    }
}

std::optional<std::string> WriteProtectionRefusal(const std::string& outputPath) {
    if (!FileExists(outputPath) || !FileWriteProtected(outputPath)) return std::nullopt;
    return "Файл " + outputPath +
           " защищён от записи: прежний отчёт не заменён. Снимите защиту или удалите файл "
           "и повторите выгрузку";
}

std::optional<std::string> HeldOpenRefusal(const std::string& outputPath) {
    if (!FileExists(outputPath)) return std::nullopt;
    if (FileHeldOpenForWriting(outputPath))
        return "Файл " + outputPath + " открыт другой программой: закройте его и повторите выгрузку";
    if (const std::optional<word::OfficeLock> lock = word::ReadOfficeLock(outputPath))
        return "Файл " + outputPath + " открыт другой программой (" + word::DescribeOfficeLock(*lock) +
               "): закройте его и повторите выгрузку";
    return std::nullopt;
}

std::string BusyOutputMessage(const std::string& outputPath) {
    return "Документ " + outputPath + " сейчас записывает другая выгрузка";
}

}  // namespace tarnfold
