#pragma once
// The lock file an office keeps beside every document it has open,
// ".~lock.<name>#": ",user,system user,host,date,profile URL;". It tells who
// holds a document, and an office that died leaves it behind, which makes
// every later save under that name fail.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnfold::word {

struct OfficeLock {
    std::string path;  // the lock file
    std::string user;  // the office's own user name, else the system's
    std::string host;
    std::string since;       // when the document was opened, as the office wrote it
    std::string profileUrl;  // the profile of the office that holds it
};

std::string OfficeLockPath(const std::string& documentPath);
OfficeLock ParseOfficeLock(std::string_view text);
// The lock beside the document; nothing when there is none.
std::optional<OfficeLock> ReadOfficeLock(const std::string& documentPath);
// "LibreOffice: пользователь root на компьютере vm с 09.12.2026 15:36; файл блокировки …".
std::string DescribeOfficeLock(const OfficeLock& lock);

// Removes what the office of this profile left in the folder when it was
// ended or died: its lock files, and the temporary files ("lu….tmp") of a
// save it was in the middle of, made since `since`.
void RemoveOfficeLeftovers(const std::string& folder, const std::string& profileUrl,
                           std::filesystem::file_time_type since);

}  // namespace tarnfold::word
