// The journal on Windows: others may read it while a run writes it, nobody
// else may write to it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <string>

#include "core/paths.h"
#include "journal/journal.h"

namespace {

int OpenShared(const std::wstring& path, int access) {
    int fd = -1;
    _wsopen_s(&fd, path.c_str(), access | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
}

TEST(JournalOnWindows, OpenForWritingByNobodyElseButForReading) {
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"Журнал выгрузки.log";
    DeleteFileW(path.c_str());
    tarnfold::ExportJournal journal(tarnfold::PathToUtf8(path));
    journal.Open("out.doc", std::tm{}, tarnfold::RegionalFormats{});

    const int writer = OpenShared(path, _O_WRONLY | _O_APPEND);
    EXPECT_LT(writer, 0) << "another writer got in";
    if (writer >= 0) _close(writer);
    const int reader = OpenShared(path, _O_RDONLY);
    EXPECT_GE(reader, 0) << "a reader was kept out";
    if (reader >= 0) _close(reader);

    journal.Close();
    const int afterwards = OpenShared(path, _O_WRONLY | _O_APPEND);
    EXPECT_GE(afterwards, 0);
    if (afterwards >= 0) _close(afterwards);
    DeleteFileW(path.c_str());
}

}  // namespace
