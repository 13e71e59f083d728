#include "db/connect_rules.h"

#include "core/paths.h"

namespace tarnfold::db {

std::string DatabaseNameFor(const ConnectionSettings& settings) {
    if (settings.HostIniMissing) return FolderWithTrailingSeparator(settings.DBPath) + "kvel.gdb";
    return settings.DBPath;
}

std::vector<std::string> ParameterLines(const ConnectionSettings& settings) {
    return {"user_name=SYSDBA", "lc_ctype=WIN1251",
            settings.HostIniMissing ? "password=" + settings.DBPassword : settings.DBPassword};
}

std::string HiddenPassword(const ConnectionSettings& settings) {
    const std::string& secret = settings.DBPassword;
    if (secret.empty()) return {};
    if (settings.HostIniMissing) return "***";
    const auto equals = secret.find('=');
    if (equals == std::string::npos) return "***";
    return secret.substr(0, equals + 1) + "***";
}

std::string FirstFailureMessage(const ConnectionSettings& settings) {
    return (settings.HostIniMissing ? "1 " : "") + DatabaseNameFor(settings) + "\r" + HiddenPassword(settings);
}

}  // namespace tarnfold::db
