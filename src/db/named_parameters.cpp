#include "db/named_parameters.h"

#include "core/text.h"

namespace tarnfold::db {
namespace {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// Copies a quoted run starting at `i` (a doubled quote stays inside it) and
// returns the position after it; an unclosed quote runs to the end.
std::size_t CopyQuoted(std::string_view sql, std::size_t i, std::string& out) {
    const char quote = sql[i];
    out += sql[i++];
    while (i < sql.size()) {
        out += sql[i];
        if (sql[i++] == quote) {
            if (i < sql.size() && sql[i] == quote) {
                out += sql[i++];
                continue;
            }
            break;
        }
    }
    return i;
}

// Copies a comment opened at `i` by two characters up to its closing text.
// The close is looked for only after the opening pair, so that "/*/" does not
// count as a comment opened and closed at once.
std::size_t CopyComment(std::string_view sql, std::size_t i, std::string_view end, std::string& out) {
    const auto stop = sql.find(end, i + 2);
    const auto last = stop == std::string_view::npos ? sql.size() : stop + end.size();
    out.append(sql.substr(i, last - i));
    return last;
}

}  // namespace

PositionalStatement ToPositional(std::string_view sql) {
    PositionalStatement result;
    std::string& out = result.sql;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            i = CopyQuoted(sql, i, out);
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            i = CopyComment(sql, i, "\n", out);
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            i = CopyComment(sql, i, "*/", out);
        } else if (c == ':' && i + 1 < sql.size() && IsNameStart(sql[i + 1])) {
            std::size_t end = i + 2;
            while (end < sql.size() && IsNamePart(sql[end])) ++end;
            result.names.push_back(LowerAscii(sql.substr(i + 1, end - i - 1)));
            out += '?';
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return result;
}

}  // namespace tarnfold::db
