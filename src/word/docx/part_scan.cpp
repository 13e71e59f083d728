#include "word/docx/part_scan.h"

#include "core/text.h"

#include <array>
#include <cstring>
#include <string_view>

namespace tarnfold::word::docx {

namespace {

constexpr std::string_view kMainNamespaces[] = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",
};

enum class Kind : std::uint8_t {
    Other,
    Paragraph,
    Run,
    ParagraphProperties,
    RunProperties,
    Block,
    MarkStart,
    MarkEnd,
    FieldPart,
    ChangeMark,
};

// Names are short: compared in place rather than through a library call.
bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// The switch below has told the length: the bytes are compared in one go.
template <std::size_t N>
bool Spelled(std::string_view local, const char (&name)[N]) {
    return std::memcmp(local.data(), name, N - 1) == 0;
}

Kind KindOf(std::string_view local) {
    const auto is = [&](const auto& name) { return Spelled(local, name); };
    switch (local.size()) {
        case 1:
            return local[0] == 'p' ? Kind::Paragraph : local[0] == 'r' ? Kind::Run : Kind::Other;
        case 2:
            return is("tc") || is("tr") ? Kind::Block : Kind::Other;
        case 3:
            if (is("rPr")) return Kind::RunProperties;
            if (is("pPr")) return Kind::ParagraphProperties;
            if (is("tbl") || is("hdr") || is("ftr")) return Kind::Block;
            return is("ins") || is("del") ? Kind::ChangeMark : Kind::Other;
        case 4:
            return is("body") ? Kind::Block : Kind::Other;
        case 6:
            return is("moveTo") ? Kind::ChangeMark : Kind::Other;
        case 7:
            if (is("fldChar")) return Kind::FieldPart;
            return is("comment") || is("endnote") ? Kind::Block : Kind::Other;
        case 8:
            if (is("footnote")) return Kind::Block;
            return is("moveFrom") ? Kind::ChangeMark : Kind::Other;
        case 9:
            if (is("instrText")) return Kind::FieldPart;
            return is("rPrChange") ? Kind::ChangeMark : Kind::Other;
        case 11:
            if (is("bookmarkEnd")) return Kind::MarkEnd;
            return is("txbxContent") || is("docPartBody") ? Kind::Block : Kind::Other;
        case 13:
            return is("bookmarkStart") ? Kind::MarkStart : Kind::Other;
        default:
            return Kind::Other;
    }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

constexpr std::array<bool, 256> NameCharacters(bool first) {
    std::array<bool, 256> table{};
    for (int c = 0x80; c < 0x100; ++c) table[static_cast<std::size_t>(c)] = true;
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<std::size_t>(c)] = true;
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<std::size_t>(c)] = true;
    table['_'] = table[':'] = true;
    if (!first) {
        for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = true;
        table['-'] = table['.'] = true;
    }
    return table;
}
constexpr auto kNameStart = NameCharacters(true);
constexpr auto kNameChar = NameCharacters(false);

bool IsNameChar(char c) { return kNameChar[static_cast<unsigned char>(c)]; }
bool IsNameStart(char c) { return kNameStart[static_cast<unsigned char>(c)]; }

// Bytes that may make text differ from what the save writes.
constexpr std::array<bool, 256> SpecialIn(bool attribute) {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[static_cast<std::size_t>(c)] = true;
    table['&'] = true;
    if (attribute) {
        table['<'] = true;
        table['"'] = true;
    } else {
        table['\t'] = false;
        table['\n'] = false;
        table['>'] = true;
    }
    return table;
}
constexpr auto kSpecialInText = SpecialIn(false);
constexpr auto kSpecialInAttribute = SpecialIn(true);

// The entity at `at` (which holds '&'); its character and length, or 0.
std::size_t Entity(std::string_view s, std::size_t at, char32_t& c) {
    const std::size_t semicolon = s.find(';', at);
    if (semicolon == std::string_view::npos || semicolon - at > 12) return 0;
    const std::string_view name = s.substr(at + 1, semicolon - at - 1);
    if (name == "amp")
        c = '&';
    else if (name == "lt")
        c = '<';
    else if (name == "gt")
        c = '>';
    else if (name == "quot")
        c = '"';
    else if (name == "apos")
        c = '\'';
    else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        char32_t value = 0;
        for (const char d : digits) {
            int v = -1;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (hex && d >= 'a' && d <= 'f')
                v = d - 'a' + 10;
            else if (hex && d >= 'A' && d <= 'F')
                v = d - 'A' + 10;
            if (v < 0 || value > 0x10FFFF) return 0;
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
        }
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
        c = value;
    } else {
        return 0;
    }
    return semicolon - at + 1;
}

// A character as the save escapes it; `attribute` says where.
void AppendEscaped(std::string& out, char32_t c, bool attribute) {
    switch (c) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += attribute ? ">" : "&gt;";
            return;
        case '"':
            out += attribute ? "&quot;" : "\"";
            return;
        default:
            break;
    }
    if (c < 0x20 && (attribute || (c != '\t' && c != '\n' && c != '\r'))) {
        out += "&#";
        out += static_cast<char>('0' + c / 10);
        out += static_cast<char>('0' + c % 10);
        out += ';';
        return;
    }
    AppendUtf8(out, c);
}

// Text or an attribute's value as the parser reads it and the save writes
// it; false for an entity the parser would leave as it stands.
bool AppendNormalized(std::string& out, std::string_view raw, bool attribute) {
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        if (c == '&') {
            char32_t decoded = 0;
            const std::size_t length = Entity(raw, i, decoded);
            if (length == 0) return false;
            AppendEscaped(out, decoded, attribute);
            i += length;
        } else if (c == '\r' || (attribute && (c == '\n' || c == '\t'))) {
            // Line ends come as LF; in a value every blank character is a space.
            out += attribute ? ' ' : '\n';
            i += c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
        } else if (static_cast<unsigned char>(c) < 0x80) {
            AppendEscaped(out, static_cast<char32_t>(c), attribute);
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return true;
}

// Whether the save writes the text as it stands.
bool AsWritten(std::string_view raw, bool attribute) {
    const std::array<bool, 256>& special = attribute ? kSpecialInAttribute : kSpecialInText;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (!special[static_cast<unsigned char>(raw[i])]) continue;
        if (raw[i] != '&') return false;
        const std::string_view rest = raw.substr(i + 1);
        const bool kept = rest.starts_with("amp;") || rest.starts_with("lt;") ||
                          (attribute ? rest.starts_with("quot;") : rest.starts_with("gt;"));
        if (!kept) return false;
    }
    return true;
}

// Names and ids of marks are compared as the parser reads them: a value the
// parser would change is refused.
bool PlainValue(std::string_view value) {
    for (const char c : value) {
        if (c == '&' || c == '\t' || c == '\n' || c == '\r') return false;
    }
    return true;
}

struct Attribute {
    std::string_view name, value;
};

class Scanner {
public:
    // The loops over names and values stop at the string's terminating
    // null character, which is neither a name's nor a value's, without
    // testing for the end on every byte.
    explicit Scanner(std::string source)
        : source_(std::make_unique<const std::string>(std::move(source))), s_(*source_) {}

    std::optional<ScannedPart> Scan() {
        // The markup mostly stands as written: room for all of it at once.
        part_.markup.reserve(s_.size() + s_.size() / 64);
        stack_.reserve(64);
        if (!Document()) return std::nullopt;
        Flush(s_.size());
        GroupRuns();
        part_.source = std::move(source_);
        return std::move(part_);
    }

private:
    struct Open {
        std::string_view name;
        Kind kind = Kind::Other;
        bool word = false;
        bool propertiesElement = false;
        bool children = false;
        bool normalized = false;     // its start tag written here, not copied
        bool awaited = false;        // a paragraph marks between paragraphs point to
        bool firstSeen = false;      // its first pPr or rPr child met
        std::size_t tagEnd = 0;      // where its start tag ends in the source
        std::size_t contentOut = 0;  // where its children begin in the markup
        std::size_t outStart = 0;
        std::int32_t record = ScannedPart::kNone;
        std::int32_t leftOutOf = ScannedPart::kNone;
        std::int32_t savedParagraph = ScannedPart::kNone;
        std::int32_t savedParagraphDepth = -1, savedRunDepth = -1;
    };

    std::size_t OutAt(std::size_t pos) const { return part_.markup.size() + (pos - copied_); }
    void Flush(std::size_t pos) {
        part_.markup.append(s_, copied_, pos - copied_);
        copied_ = pos;
    }

    bool Document() {
        std::size_t pos = 0;
        if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            copied_ = pos = 3;
        }
        if (s_.compare(pos, 5, "<?xml") == 0 && pos + 5 < s_.size() && (IsSpace(s_[pos + 5]) || s_[pos + 5] == '?')) {
            if (!Declaration(pos)) return false;
        }
        bool rootSeen = false;
        while (true) {
            std::size_t ws = pos;
            while (ws < s_.size() && IsSpace(s_[ws])) ++ws;
            if (ws != pos) {
                Flush(pos);
                copied_ = pos = ws;
            }
            if (pos == s_.size()) return rootSeen;
            if (s_.compare(pos, 4, "<!--") == 0) {
                if (!Comment(pos)) return false;
                continue;
            }
            if (rootSeen || s_[pos] != '<' || pos + 1 >= s_.size() || !IsNameStart(s_[pos + 1])) return false;
            if (!Root(pos)) return false;
            rootSeen = true;
        }
    }

    bool Declaration(std::size_t& pos) {
        std::size_t i = pos + 5;
        std::string written = "<?xml";
        while (true) {
            while (i < s_.size() && IsSpace(s_[i])) ++i;
            if (s_.compare(i, 2, "?>") == 0) break;
            Attribute a;
            if (!AttributeAt(i, a, nullptr)) return false;
            written += ' ';
            written += a.name;
            written += "=\"";
            if (a.name == "encoding" && LowerAscii(a.value) != "utf-8") {
                written += "UTF-8";
            } else if (!AppendNormalized(written, a.value, true)) {
                return false;
            }
            written += '"';
        }
        written += "?>";
        Flush(pos);
        part_.markup += written;
        copied_ = pos = i + 2;
        return true;
    }

    bool Comment(std::size_t& pos) {
        const std::size_t end = s_.find("-->", pos + 4);
        if (end == std::string::npos || std::memchr(s_.data() + pos, '\r', end - pos) != nullptr) return false;
        if (!stack_.empty()) stack_.back().children = true;
        pos = end + 3;
        return true;
    }

    // One attribute from `i` on; `canonical`, when given, is cleared unless
    // it stands as the save writes it (one blank before it).
    bool AttributeAt(std::size_t& i, Attribute& a, bool* canonical) {
        const std::size_t nameStart = i;
        if (i >= s_.size() || !IsNameStart(s_[i])) return false;
        while (i < s_.size() && IsNameChar(s_[i])) ++i;
        a.name = std::string_view(s_).substr(nameStart, i - nameStart);
        std::size_t j = i;
        while (j < s_.size() && IsSpace(s_[j])) ++j;
        if (j >= s_.size() || s_[j] != '=') return false;
        ++j;
        while (j < s_.size() && IsSpace(s_[j])) ++j;
        if (j >= s_.size() || (s_[j] != '"' && s_[j] != '\'')) return false;
        const char quote = s_[j];
        const std::size_t close = s_.find(quote, j + 1);
        if (close == std::string::npos) return false;
        a.value = std::string_view(s_).substr(j + 1, close - j - 1);
        if (canonical != nullptr && (j != i + 1 || quote != '"' || s_[nameStart - 1] != ' ' ||
                                     IsSpace(s_[nameStart - 2]) || !AsWritten(a.value, true))) {
            *canonical = false;
        }
        i = close + 1;
        return true;
    }

    bool Root(std::size_t& pos) {
        if (!StartTag(pos, true)) return false;
        while (!stack_.empty()) {
            // Tags mostly follow one another: the next is looked for only past text.
            std::size_t at = pos;
            if (at < s_.size() && s_[at] != '<') {
                const auto* lt = static_cast<const char*>(std::memchr(s_.data() + pos, '<', s_.size() - pos));
                if (lt == nullptr) return false;
                at = static_cast<std::size_t>(lt - s_.data());
            }
            if (at >= s_.size()) return false;
            if (at > pos && !Text(pos, at)) return false;
            pos = at;
            if (pos + 1 >= s_.size()) return false;
            const char next = s_[pos + 1];
            bool done = false;
            if (next == '/') {
                done = EndTag(pos);
            } else if (next == '!') {
                if (s_.compare(pos, 4, "<!--") == 0) {
                    done = Comment(pos);
                } else if (s_.compare(pos, 9, "<![CDATA[") == 0) {
                    const std::size_t end = s_.find("]]>", pos + 9);
                    done = end != std::string::npos && std::memchr(s_.data() + pos, '\r', end - pos) == nullptr;
                    if (done) {
                        stack_.back().children = true;
                        pos = end + 3;
                    }
                }
            } else if (IsNameStart(next)) {
                done = PlainEmptyElement(pos) || StartTag(pos, false);
            }
            if (!done) return false;
        }
        return true;
    }

    bool Text(std::size_t from, std::size_t to) {
        stack_.back().children = true;
        const std::string_view raw = std::string_view(s_).substr(from, to - from);
        if (AsWritten(raw, false)) return true;
        Flush(from);
        if (!AppendNormalized(part_.markup, raw, false)) return false;
        copied_ = to;
        return true;
    }

    bool BindNames(const std::vector<Attribute>& attributes, std::string_view rootName) {
        for (const Attribute& a : attributes) {
            bool main = false;
            for (std::string_view uri : kMainNamespaces) main = main || a.value == uri;
            if (!main) continue;
            if (a.name == "xmlns") {
                prefixes_.emplace_back();
            } else if (a.name.starts_with("xmlns:")) {
                prefixes_.emplace_back(a.name.substr(6));
            }
        }
        if (prefixes_.empty()) return false;
        const std::size_t colon = rootName.find(':');
        const std::string_view rootPrefix =
            colon == std::string_view::npos ? std::string_view() : rootName.substr(0, colon);
        std::string preferred = prefixes_.front();
        for (const std::string& p : prefixes_) {
            if (p == rootPrefix) preferred = p;
        }
        const auto qualified = [&](std::string_view local) {
            return preferred.empty() ? std::string(local) : preferred + ":" + std::string(local);
        };
        part_.run = qualified("r");
        part_.runProperties = qualified("rPr");
        part_.text = qualified("t");
        part_.tab = qualified("tab");
        part_.lineBreak = qualified("br");
        return true;
    }

    bool Bound(std::string_view prefix) const {
        for (const std::string& p : prefixes_) {
            if (Same(p, prefix)) return true;
        }
        return false;
    }

    // An attribute of the main namespace by local name, an unprefixed one
    // accepted as well, as the parsed part's look-up finds it.
    std::string_view WordAttribute(std::string_view local, bool& found) const {
        std::string_view unprefixed;
        found = false;
        // The local name is told by the name's end; the prefix before it
        // holds no colon, as the name's own part follows its first colon.
        for (const Attribute& a : attributes_) {
            if (!a.name.ends_with(local)) continue;
            const std::size_t rest = a.name.size() - local.size();
            if (rest == 0) {
                unprefixed = a.value;
                found = true;
                continue;
            }
            if (a.name[rest - 1] != ':') continue;
            const std::string_view prefix = a.name.substr(0, rest - 1);
            // ":name" has an empty prefix, which the parsed part's look-up
            // takes for no prefix at all.
            if (prefix.empty()) {
                unprefixed = a.value;
                found = true;
                continue;
            }
            if (prefix.find(':') == std::string_view::npos && Bound(prefix)) {
                found = true;
                return a.value;
            }
        }
        return unprefixed;
    }

    // Where a start tag ends when its attributes stand as the save writes
    // them (one blank before each, double quotes, values as written), found
    // in one pass; 0 when they do not. `kept`, when given, receives the
    // attributes.
    std::size_t WrittenTagEnd(std::size_t i, bool& selfClosing, std::vector<Attribute>* kept = nullptr) const {
        const char* const base = s_.data();
        const std::size_t size = s_.size();
        while (i < size) {
            const char c = base[i];
            if (c == '>') {
                selfClosing = false;
                return i + 1;
            }
            if (c == '/') {
                selfClosing = true;
                return i + 1 < size && base[i + 1] == '>' ? i + 2 : 0;
            }
            if (c != ' ' || i + 1 >= size || !IsNameStart(base[i + 1])) return 0;
            const std::size_t nameStart = ++i;
            while (IsNameChar(base[i])) ++i;
            if (i + 1 >= size || base[i] != '=' || base[i + 1] != '"') return 0;
            const std::size_t nameEnd = i;
            // The value up to its quote, as it stands: nothing the save escapes
            // otherwise (an entity sends the tag the long way).
            i += 2;
            const std::size_t valueStart = i;
            while (!kSpecialInAttribute[static_cast<unsigned char>(base[i])]) ++i;
            if (i >= size || base[i] != '"') return 0;
            if (kept != nullptr) {
                kept->push_back({std::string_view(base + nameStart, nameEnd - nameStart),
                                 std::string_view(base + valueStart, i - valueStart)});
            }
            ++i;
        }
        return 0;
    }

    // Takes the attributes apart into `attributes_`; where the tag ends, or 0.
    std::size_t ParsedTagEnd(std::size_t i, bool& selfClosing, bool& canonical) {
        attributes_.clear();
        while (true) {
            const std::size_t blank = i;
            while (i < s_.size() && IsSpace(s_[i])) ++i;
            if (i >= s_.size()) return 0;
            if (s_[i] == '>' || (s_[i] == '/' && i + 1 < s_.size() && s_[i + 1] == '>')) {
                canonical = canonical && blank == i;
                selfClosing = s_[i] == '/';
                return i + (selfClosing ? 2 : 1);
            }
            if (i == blank) return 0;
            Attribute a;
            if (!AttributeAt(i, a, &canonical)) return 0;
            attributes_.push_back(a);
        }
    }

    // Most of a form is empty elements inside cell and paragraph properties:
    // standing as written, they only tell their parent it has children. They
    // are told here before the long way of a start tag is set up. (A
    // one-letter name, a paragraph or a run, goes the long way and is
    // refused there.)
    bool PlainEmptyElement(std::size_t& pos) {
        if (propertiesDepth_ == 0 || runDepth_ >= 0) return false;
        const char* const base = s_.data();
        std::size_t i = pos + 1;
        std::size_t local = i;
        while (IsNameChar(base[i]) && base[i] != ':') ++i;
        if (base[i] == ':') {
            local = ++i;
            while (IsNameChar(base[i])) ++i;
        }
        if (i - local == 1 || !InPlainProperties(std::string_view(base + local, i - local))) return false;
        bool selfClosing = false;
        const std::size_t end = WrittenTagEnd(i, selfClosing);
        if (end == 0 || !selfClosing) return false;
        stack_.back().children = true;
        pos = end;
        return true;
    }

    bool StartTag(std::size_t& pos, bool root) {
        std::size_t i = pos + 1;
        std::size_t colon = std::string_view::npos;
        const char* const base = s_.data();
        while (IsNameChar(base[i]) && base[i] != ':') ++i;
        if (base[i] == ':') {
            colon = i - pos - 1;
            ++i;
            while (IsNameChar(base[i])) ++i;
        }
        bool canonical = true;
        bool selfClosing = false;
        Open e;
        e.name = std::string_view(s_).substr(pos + 1, i - pos - 1);
        if (root) {
            i = ParsedTagEnd(i, selfClosing, canonical);
            if (i == 0 || !BindNames(attributes_, e.name)) return false;
        }
        const std::string_view local = colon == std::string_view::npos ? e.name : e.name.substr(colon + 1);
        e.word = Bound(colon == std::string_view::npos ? std::string_view() : e.name.substr(0, colon));
        e.kind = e.word ? KindOf(local) : Kind::Other;
        e.propertiesElement = e.word && local.size() > 2 && local.ends_with("Pr");
        if (!root) {
            // Tags mostly stand as written; marks are read for their names.
            const bool mark = e.kind == Kind::MarkStart || e.kind == Kind::MarkEnd;
            if (mark) attributes_.clear();
            const std::size_t written = WrittenTagEnd(i, selfClosing, mark ? &attributes_ : nullptr);
            i = written != 0 ? written : ParsedTagEnd(i, selfClosing, canonical);
            if (i == 0) return false;
        }
        e.outStart = OutAt(pos);
        if (!Starting(e)) return false;

        // A paragraph marks point to keeps an end tag when it is empty.
        const bool expand = selfClosing && e.awaited;
        if (canonical && expand) {
            Flush(i - 2);
            part_.markup += '>';
            copied_ = i;
            e.normalized = true;
        } else if (!canonical) {
            Flush(pos);
            std::string& out = part_.markup;
            out += '<';
            out += e.name;
            for (const Attribute& a : attributes_) {
                out += ' ';
                out += a.name;
                out += "=\"";
                if (!AppendNormalized(out, a.value, true)) return false;
                out += '"';
            }
            out += selfClosing && !expand ? "/>" : ">";
            copied_ = i;
            e.normalized = true;
        }
        e.tagEnd = i;
        e.contentOut = OutAt(i);
        pos = i;
        if (!selfClosing) {
            stack_.push_back(e);
            return true;
        }
        // An empty element ends where it starts, without being kept open.
        if (!expand) {
            return Ending(e, OutAt(i), OutAt(i));
        }
        const std::size_t endTag = part_.markup.size();
        part_.markup += "</";
        part_.markup += e.name;
        part_.markup += '>';
        return Ending(e, endTag, part_.markup.size());
    }

    // Inside properties, outside runs (where marks would count), as a child
    // nothing is noted of: of the properties of a paragraph mark or a run
    // only their run properties and marks of tracked changes are. The name's
    // kind is looked at whatever its prefix, which at worst sends an element
    // of another namespace the long way.
    bool InPlainProperties(std::string_view local) const {
        if (propertiesDepth_ == 0 || runDepth_ >= 0 || stack_.empty()) return false;
        const Open& parent = stack_.back();
        if (parent.record < 0 || (parent.kind != Kind::RunProperties && parent.kind != Kind::ParagraphProperties)) {
            return true;
        }
        const Kind kind = KindOf(local);
        return kind != Kind::RunProperties && kind != Kind::ChangeMark;
    }

    // What an element's start tells; false for markup the pass refuses.
    bool Starting(Open& e) {
        if (!stack_.empty()) {
            Open& parent = stack_.back();
            parent.children = true;
            if (parent.kind == Kind::Paragraph && parent.record >= 0) {
                auto& paragraph = part_.paragraphs[static_cast<std::size_t>(parent.record)];
                if (e.kind == Kind::ParagraphProperties) {
                    if (!parent.firstSeen) {
                        parent.firstSeen = true;
                        e.record = parent.record;
                    }
                } else if (paragraph.firstContent == std::string::npos) {
                    paragraph.firstContent = e.outStart;
                }
            } else if (e.kind == Kind::RunProperties && !parent.firstSeen && parent.record >= 0 &&
                       (parent.kind == Kind::Run || parent.kind == Kind::ParagraphProperties)) {
                parent.firstSeen = true;
                e.record = static_cast<std::int32_t>(part_.properties.size());
                part_.properties.emplace_back();
                if (parent.kind == Kind::Run) {
                    part_.runs[static_cast<std::size_t>(parent.record)].properties = e.record;
                } else {
                    part_.paragraphs[static_cast<std::size_t>(parent.record)].properties = e.record;
                }
            } else if (parent.kind == Kind::RunProperties && parent.record >= 0 && e.kind == Kind::ChangeMark) {
                e.leftOutOf = parent.record;
            }
        }
        e.savedParagraph = paragraph_;
        e.savedParagraphDepth = paragraphDepth_;
        e.savedRunDepth = runDepth_;
        const int depth = static_cast<int>(stack_.size());
        switch (e.kind) {
            case Kind::Paragraph:
                // Paragraphs hold paragraphs only through a run's text box.
                if (paragraphDepth_ > runDepth_ || propertiesDepth_ > 0) return false;
                e.record = paragraph_ = static_cast<std::int32_t>(part_.paragraphs.size());
                part_.paragraphs.emplace_back();
                paragraphDepth_ = depth;
                e.awaited = !pending_.empty();
                for (const std::size_t start : pending_) {
                    part_.starts[start].nextParagraph = e.record;
                }
                pending_.clear();
                break;
            case Kind::Run:
                // Runs stand in paragraphs, never in properties nor right inside runs.
                if (runDepth_ > paragraphDepth_ || propertiesDepth_ > 0) return false;
                if (runDepth_ < 0) {
                    outerRunPlain_ = true;
                    outerRunStart_ = e.outStart;
                }
                e.record = static_cast<std::int32_t>(part_.runs.size());
                part_.runs.push_back(
                    {e.outStart, paragraphDepth_ >= 0 ? paragraph_ : ScannedPart::kNone, ScannedPart::kNone});
                runDepth_ = depth;
                break;
            case Kind::MarkStart:
            case Kind::MarkEnd:
            case Kind::FieldPart:
                if (runDepth_ >= 0) outerRunPlain_ = false;
                if (e.kind != Kind::FieldPart && propertiesDepth_ == 0 && !Mark(e)) return false;
                break;
            default:
                break;
        }
        if (e.propertiesElement) ++propertiesDepth_;
        return true;
    }

    // Notes a bookmark's start or end; false for a name or id the parser would change.
    bool Mark(Open& e) {
        ScannedPart::Mark mark;
        bool found = false;
        mark.id = WordAttribute("id", found);
        if (!PlainValue(mark.id)) return false;
        mark.start = e.outStart;
        mark.insideRun = runDepth_ >= 0;
        if (!stack_.empty()) {
            const Open& parent = stack_.back();
            if (parent.kind == Kind::Paragraph) {
                mark.parent = ScannedPart::Parent::Paragraph;
                mark.paragraph = parent.record;
            } else if (parent.kind == Kind::Block) {
                mark.parent = ScannedPart::Parent::Block;
                mark.lastParagraph = static_cast<std::int32_t>(part_.paragraphs.size()) - 1;
            }
        }
        if (e.kind == Kind::MarkEnd) {
            e.record = static_cast<std::int32_t>(part_.ends.size());
            part_.ends.push_back(std::move(mark));
            return true;
        }
        mark.name = WordAttribute("name", found);
        if (!PlainValue(mark.name)) return false;
        if (mark.name.empty()) return true;
        const std::string_view columns = WordAttribute("colFirst", found);
        if (!PlainValue(columns)) return false;
        mark.columns = !columns.empty();
        if (mark.parent == ScannedPart::Parent::Block) pending_.push_back(part_.starts.size());
        e.record = static_cast<std::int32_t>(part_.starts.size());
        part_.starts.push_back(std::move(mark));
        return true;
    }

    bool EndTag(std::size_t& pos) {
        const Open& e = stack_.back();
        std::size_t i = pos + 2;
        if (i + e.name.size() > s_.size() || std::memcmp(s_.data() + i, e.name.data(), e.name.size()) != 0) {
            return false;
        }
        i += e.name.size();
        const std::size_t blank = i;
        while (i < s_.size() && IsSpace(s_[i])) ++i;
        if (i >= s_.size() || s_[i] != '>') return false;
        ++i;
        const bool canonical = blank + 1 == i;
        std::size_t endTagOut = OutAt(pos);
        if (!e.children && !e.awaited) {
            // Written as an empty element.
            if (e.normalized) {
                part_.markup.pop_back();
            } else {
                Flush(e.tagEnd - 1);
            }
            part_.markup += "/>";
            copied_ = i;
            endTagOut = part_.markup.size();
        } else if (!canonical) {
            Flush(pos);
            part_.markup += "</";
            part_.markup += e.name;
            part_.markup += '>';
            copied_ = i;
        }
        pos = i;
        const bool ended = Ending(e, endTagOut, OutAt(i));
        stack_.pop_back();
        return ended;
    }

    // The element ends: its end tag at `endTagOut` in the markup, the element
    // itself at `endOut`.
    bool Ending(const Open& e, std::size_t endTagOut, std::size_t endOut) {
        if (e.propertiesElement) --propertiesDepth_;
        if ((e.kind == Kind::MarkStart || e.kind == Kind::MarkEnd) && e.children) return false;
        switch (e.kind) {
            case Kind::Paragraph: {
                auto& paragraph = part_.paragraphs[static_cast<std::size_t>(e.record)];
                paragraph.empty = !e.children;
                paragraph.expanded = paragraph.empty && e.awaited;
                paragraph.end = endTagOut;
                paragraph.closing = e.name.size() + 3;
                break;
            }
            case Kind::Run:
                if (e.savedRunDepth < 0 && outerRunPlain_) part_.plainRuns.push_back(outerRunStart_);
                break;
            case Kind::RunProperties:
                if (e.record >= 0) {
                    auto& properties = part_.properties[static_cast<std::size_t>(e.record)];
                    properties.begin = e.children ? e.contentOut : endTagOut;
                    properties.end = e.children ? endTagOut : properties.begin;
                }
                break;
            case Kind::MarkStart:
            case Kind::MarkEnd:
                if (e.record >= 0) {
                    auto& marks = e.kind == Kind::MarkStart ? part_.starts : part_.ends;
                    marks[static_cast<std::size_t>(e.record)].after = endOut;
                }
                break;
            default:
                break;
        }
        if (e.leftOutOf >= 0) {
            auto& leftOut = part_.properties[static_cast<std::size_t>(e.leftOutOf)].leftOut;
            leftOut.push_back(e.outStart);
            leftOut.push_back(endOut);
        }
        paragraph_ = e.savedParagraph;
        paragraphDepth_ = e.savedParagraphDepth;
        runDepth_ = e.savedRunDepth;
        return true;
    }

    // Runs by paragraph, in document order within each.
    void GroupRuns() {
        std::vector<ScannedPart::Run>& runs = part_.runs;
        std::vector<std::size_t> counts(part_.paragraphs.size() + 1, 0);
        for (const auto& run : runs) {
            ++counts[run.paragraph < 0 ? part_.paragraphs.size() : static_cast<std::size_t>(run.paragraph)];
        }
        std::size_t first = 0;
        for (std::size_t p = 0; p < part_.paragraphs.size(); ++p) {
            part_.paragraphs[p].firstRun = first;
            part_.paragraphs[p].runCount = counts[p];
            first += counts[p];
        }
        std::vector<std::size_t> next(part_.paragraphs.size() + 1, 0);
        for (std::size_t p = 0; p < part_.paragraphs.size(); ++p) next[p] = part_.paragraphs[p].firstRun;
        next[part_.paragraphs.size()] = first;
        std::vector<ScannedPart::Run> grouped(runs.size());
        for (const auto& run : runs) {
            grouped[next[run.paragraph < 0 ? part_.paragraphs.size() : static_cast<std::size_t>(run.paragraph)]++] =
                run;
        }
        runs = std::move(grouped);
    }

    std::unique_ptr<const std::string> source_;
    const std::string& s_;
    ScannedPart part_;
    std::size_t copied_ = 0;
    std::vector<Open> stack_;
    std::vector<Attribute> attributes_;
    std::vector<std::string> prefixes_;
    std::vector<std::size_t> pending_;
    std::int32_t paragraph_ = ScannedPart::kNone;
    int paragraphDepth_ = -1, runDepth_ = -1;
    int propertiesDepth_ = 0;
    bool outerRunPlain_ = true;
    std::size_t outerRunStart_ = 0;
};

}  // namespace

std::optional<ScannedPart> ScanPart(std::string source) { return Scanner(std::move(source)).Scan(); }

}  // namespace tarnfold::word::docx
