// The scanner that turns ":name" into "?". Input: a statement. Its result is
// compared with a plain character-by-character reading of the same rules
// (quotes with doubled quotes inside, "--" to the line end, "/*" to the next
// "*/" after it), and scanning the result again finds nothing more.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "db/named_parameters.h"
#include "fuzz_support.h"

namespace tarnfold::fuzz {
namespace {

bool NameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool NamePart(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

db::PositionalStatement Reference(std::string_view sql) {
    enum class State { Code, Quoted, LineComment, BlockComment } state = State::Code;
    char quote = 0;
    db::PositionalStatement result;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        switch (state) {
            case State::Code:
                if (c == ':' && NameStart(next)) {
                    std::size_t end = i + 1;
                    while (end < sql.size() && NamePart(sql[end])) ++end;
                    result.names.push_back(LowerAscii(sql.substr(i + 1, end - i - 1)));
                    result.sql += '?';
                    i = end - 1;
                    continue;
                }
                if (c == '\'' || c == '"') {
                    state = State::Quoted;
                    quote = c;
                } else if (c == '-' && next == '-') {
                    state = State::LineComment;
                    result.sql += c;
                    ++i;
                } else if (c == '/' && next == '*') {
                    state = State::BlockComment;
                    result.sql += c;
                    ++i;
                }
                result.sql += sql[i];
                break;
            case State::Quoted:
                result.sql += c;
                if (c == quote) {
                    if (next == quote) {
                        result.sql += next;
                        ++i;
                    } else {
                        state = State::Code;
                    }
                }
                break;
            case State::LineComment:
                result.sql += c;
                if (c == '\n') state = State::Code;
                break;
            case State::BlockComment:
                result.sql += c;
                if (c == '*' && next == '/') {
                    result.sql += next;
                    ++i;
                    state = State::Code;
                }
                break;
        }
    }
    return result;
}

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold;
    using namespace tarnfold::fuzz;
    const std::string_view sql(reinterpret_cast<const char*>(data), size);
    const db::PositionalStatement scanned = db::ToPositional(sql);
    const db::PositionalStatement expected = Reference(sql);
    Check(scanned.names == expected.names, "the names are those outside quotes and comments");
    Check(scanned.sql == expected.sql, "each name and its colon become one marker, the rest stays");
    const db::PositionalStatement again = db::ToPositional(scanned.sql);
    Check(again.names.empty() && again.sql == scanned.sql, "a scanned statement holds no names");
    return 0;
}
