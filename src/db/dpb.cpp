#include "db/dpb.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include <ibase.h>

#include "core/error.h"
#include "core/integer.h"
#include "core/text.h"

namespace tarnfold::db {
namespace {

enum class ValueForm { Text, Number };

struct Item {
    std::string_view name;
    char code;
    ValueForm form;
};

// What the program can send: texts, and a few numbers encoded as a 4-byte
// little-endian integer (1 byte for the dialect).
constexpr Item kSupported[] = {
    {"user_name", isc_dpb_user_name, ValueForm::Text},
    {"password", isc_dpb_password, ValueForm::Text},
    {"password_enc", isc_dpb_password_enc, ValueForm::Text},
    {"lc_ctype", isc_dpb_lc_ctype, ValueForm::Text},
    {"lc_messages", isc_dpb_lc_messages, ValueForm::Text},
    {"sql_role_name", isc_dpb_sql_role_name, ValueForm::Text},
    {"config", 87, ValueForm::Text},
    {"sql_dialect", isc_dpb_sql_dialect, ValueForm::Number},
    {"num_buffers", isc_dpb_num_buffers, ValueForm::Number},
    {"connect_timeout", isc_dpb_connect_timeout, ValueForm::Number},
};

// Parameters the block knows that only administration tools send (or that would
// change the database): recognised so the message can tell them apart from a typo.
constexpr std::string_view kUnsupported[] = {
    "cdd_pathname",
    "allocation",
    "journal",
    "page_size",
    "buffer_length",
    "debug",
    "garbage_collect",
    "verify",
    "sweep",
    "enable_journal",
    "disable_journal",
    "dbkey_scope",
    "number_of_users",
    "trace",
    "no_garbage_collect",
    "damaged",
    "license",
    "sys_user_name",
    "encrypt_key",
    "activate_shadow",
    "sweep_interval",
    "delete_shadow",
    "force_write",
    "begin_log",
    "quit_log",
    "no_reserve",
    "sys_user_name_enc",
    "interp",
    "online_dump",
    "old_file_size",
    "old_num_files",
    "old_file",
    "old_start_page",
    "old_start_seqno",
    "old_start_file",
    "drop_walfile",
    "old_dump_id",
    "wal_backup_dir",
    "wal_chkptlen",
    "wal_numbufs",
    "wal_bufsize",
    "wal_grp_cmt_wait",
    "cache_manager",
    "shutdown",
    "online",
    "shutdown_delay",
    "reserved",
    "overwrite",
    "sec_attach",
    "disable_wal",
    "dummy_packet_interval",
    "gbak_attach",
    "set_page_buffers",
    "working_directory",
    "set_db_readonly",
    "set_db_sql_dialect",
    "gfix_attach",
    "gstat_attach",
    "set_db_charset",
    "gsec_attach",
    "address_path",
    "process_id",
};

void AppendNumber(std::string& dpb, const Item& item, std::string_view value) {
    const auto number = ParseInteger(value);
    // The value stands on the locator's parameter line, which may be the
    // password line mistyped: the message hides it as the password is hidden.
    if (!number || *number < 0)
        throw Error("Неверное значение параметра соединения: " + std::string(item.name) + "=***");
    dpb += item.code;
    if (item.code == isc_dpb_sql_dialect) {
        dpb += '\1';
        dpb += static_cast<char>(*number & 0xFF);
        return;
    }
    dpb += '\4';
    for (int shift = 0; shift < 32; shift += 8) dpb += static_cast<char>((*number >> shift) & 0xFF);
}

void AppendText(std::string& dpb, const Item& item, std::string_view value) {
    const std::string bytes = Utf8ToCp1251(value);
    if (bytes.size() > 255)
        throw Error("Значение параметра соединения " + std::string(item.name) + " длиннее 255 символов");
    dpb += item.code;
    dpb += static_cast<char>(bytes.size());
    dpb += bytes;
}

}  // namespace

std::string BuildDpb(const std::vector<std::string>& lines) {
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    for (const auto& line : lines) {
        const auto equals = line.find('=');
        if (equals == std::string::npos || Trim(std::string_view(line).substr(0, equals)).empty()) continue;
        std::string name = LowerAscii(std::string_view(line).substr(0, equals));
        if (StartsWith(name, "isc_dpb_")) name.erase(0, 8);
        const std::string_view value = std::string_view(line).substr(equals + 1);

        const auto item = std::find_if(std::begin(kSupported), std::end(kSupported),
                                       [&](const Item& candidate) { return candidate.name == name; });
        if (item == std::end(kSupported)) {
            if (std::find(std::begin(kUnsupported), std::end(kUnsupported), name) != std::end(kUnsupported))
                throw Error("Параметр соединения " + name + " не поддерживается");
            throw Error("Неизвестный параметр соединения: " + name);
        }
        if (item->form == ValueForm::Number)
            AppendNumber(dpb, *item, value);
        else
            AppendText(dpb, *item, value);
    }
    return dpb;
}

std::string WithUtf8FileName(std::string dpb) {
    dpb += static_cast<char>(isc_dpb_utf8_filename);
    dpb += '\0';
    return dpb;
}

}  // namespace tarnfold::db
