#include "word/docx/run_text.h"

#include <cstdint>

#include "core/text.h"

namespace tarnfold::word::docx {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at `pos`; returns U+FFFD for a malformed one and
// moves `pos` past what was consumed.
char32_t DecodeOne(std::string_view s, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    std::size_t i = pos + 1;
    for (int k = 1; k < length; ++k, ++i) {
        if (i >= s.size() || (byte(i) & 0xC0) != 0x80) {
            pos = i;
            return kReplacement;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    pos = i;
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    return value;
}

bool XmlCanHold(char32_t c) { return c >= 0x20 && c != 0xFFFE && c != 0xFFFF; }

}  // namespace

std::vector<RunPiece> SplitRunText(std::string_view utf8) {
    std::vector<RunPiece> pieces;
    std::string text;
    auto flush = [&] {
        if (!text.empty()) {
            pieces.push_back({RunPiece::Kind::Text, std::move(text)});
            text.clear();
        }
    };
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = DecodeOne(utf8, pos);
        if (c == '\t') {
            flush();
            pieces.push_back({RunPiece::Kind::Tab, {}});
        } else if (c == '\r' || c == '\n' || c == '\v') {
            if (c == '\r' && pos < utf8.size() && utf8[pos] == '\n') {
                ++pos;
            }
            flush();
            pieces.push_back({RunPiece::Kind::Break, {}});
        } else if (XmlCanHold(c)) {
            AppendUtf8(text, c);
        }
    }
    flush();
    return pieces;
}

bool NeedsPreserve(std::string_view text) {
    return !text.empty() && (text.front() == ' ' || text.back() == ' ' || text.find("  ") != std::string_view::npos);
}

bool AppendRunContent(pugi::xml_node run, std::string_view utf8, const WordNames& names) {
    // Printable ASCII, as every figure is, is one piece of text as it stands.
    bool plain = !utf8.empty();
    for (std::size_t i = 0; plain && i < utf8.size(); ++i) {
        plain = utf8[i] >= ' ' && utf8[i] <= '~';
    }
    if (plain) {
        pugi::xml_node t = run.append_child(names.Qualified("t").c_str());
        if (NeedsPreserve(utf8)) {
            t.append_attribute("xml:space") = "preserve";
        }
        t.append_child(pugi::node_pcdata).set_value(std::string(utf8).c_str());
        return true;
    }
    const std::vector<RunPiece> pieces = SplitRunText(utf8);
    for (const RunPiece& piece : pieces) {
        switch (piece.kind) {
            case RunPiece::Kind::Tab:
                run.append_child(names.Qualified("tab").c_str());
                break;
            case RunPiece::Kind::Break:
                run.append_child(names.Qualified("br").c_str());
                break;
            case RunPiece::Kind::Text: {
                pugi::xml_node t = run.append_child(names.Qualified("t").c_str());
                if (NeedsPreserve(piece.text)) {
                    t.append_attribute("xml:space") = "preserve";
                }
                t.append_child(pugi::node_pcdata).set_value(piece.text.c_str());
                break;
            }
        }
    }
    return !pieces.empty();
}

}  // namespace tarnfold::word::docx
