#include "word/docx/stamped_document.h"

#include "core/error.h"
#include "word/docx/run_text.h"

#include <map>
#include <utility>

namespace tarnfold::word::docx {

namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// What a save writes for text: the three characters markup needs escaped.
void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            default:
                continue;
        }
        out.append(text, from, i - from);
        out += entity;
        from = i + 1;
    }
    out.append(text, from, std::string_view::npos);
}

void AppendText(std::string& out, const TemplateImage::Part& part, std::string_view text) {
    out += '<';
    out += part.text;
    out += NeedsPreserve(text) ? " xml:space=\"preserve\">" : ">";
    AppendEscaped(out, text);
    out += "</";
    out += part.text;
    out += '>';
}

// Printable ASCII: one piece of text as it stands, as figures always are.
bool PlainText(std::string_view text) {
    for (const char c : text) {
        if (c < ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool AppendRunMarkup(std::string& out, std::string_view head, const TemplateImage::Part& part, std::string_view utf8) {
    if (utf8.empty()) {
        return false;
    }
    if (PlainText(utf8)) {
        out += head;
        AppendText(out, part, utf8);
        out += part.runEnd;
        return true;
    }
    const std::vector<RunPiece> pieces = SplitRunText(utf8);
    if (pieces.empty()) {
        return false;
    }
    out += head;
    for (const RunPiece& piece : pieces) {
        switch (piece.kind) {
            case RunPiece::Kind::Tab:
                out += part.tab;
                break;
            case RunPiece::Kind::Break:
                out += part.lineBreak;
                break;
            case RunPiece::Kind::Text:
                AppendText(out, part, piece.text);
                break;
        }
    }
    out += part.runEnd;
    return true;
}

std::shared_ptr<OpenDocument> OpenForOneDocument(const std::string& pathUtf8,
                                                 std::shared_ptr<const TemplateImage> scanned) {
    auto image = scanned ? std::move(scanned)
                         : std::make_shared<const TemplateImage>(pathUtf8, TemplateImage::Preparation::ScanOnly);
    if (image->Scanned()) {
        return std::make_shared<StampedDocument>(std::move(image));
    }
    return std::make_shared<DocxPackage>(pathUtf8);
}

StampedDocument::StampedDocument(std::shared_ptr<const TemplateImage> image)
    : image_(std::move(image)), path_(image_->Path()), runsAtSpot_(image_->Spots().size(), 0) {}

bool StampedDocument::HasBookmark(std::string_view name) const {
    return parsed_ ? parsed_->HasBookmark(name) : image_->Find(name, lastFound_) != nullptr;
}

void StampedDocument::GoToBookmark(std::string_view name) const {
    if (!HasBookmark(name)) {
        throw Error("В документе нет закладки " + Quoted(name));
    }
}

void StampedDocument::InsertBeforeBookmark(std::string_view name, std::string_view text) { Place(name, text, false); }

void StampedDocument::TypeAtBookmark(std::string_view name, std::string_view text) { Place(name, text, true); }

void StampedDocument::Place(std::string_view name, std::string_view text, bool typing) {
    if (!parsed_) {
        const TemplateImage::Bookmark* bookmark = image_->Find(name, lastFound_);
        if (bookmark == nullptr) {
            throw Error("В документе нет закладки " + Quoted(name));
        }
        std::int32_t spot = typing ? bookmark->typeSpot : bookmark->insertSpot;
        if (typing) {
            for (std::int32_t s = bookmark->spanFirst; spot >= 0 && s <= bookmark->spanLast; ++s) {
                if (runsAtSpot_[static_cast<std::size_t>(s)] != 0) {
                    spot = -1;  // typing would clear a text already there
                }
            }
        }
        if (spot >= 0) {
            calls_.push_back(
                {typing, static_cast<std::uint32_t>(callText_.size()), static_cast<std::uint32_t>(name.size()),
                 static_cast<std::uint32_t>(callText_.size() + name.size()), static_cast<std::uint32_t>(text.size())});
            callText_.append(name);
            callText_.append(text);
            const TemplateImage::Spot& target = image_->Spots()[static_cast<std::size_t>(spot)];
            const auto& part = image_->Parts()[image_->PartOfSpot(static_cast<std::size_t>(spot))];
            const std::size_t offset = runs_.size();
            if (AppendRunMarkup(runs_, image_->Head(target.head), part, text)) {
                written_.push_back({spot, typing ? bookmark->typeFront : bookmark->insertFront,
                                    static_cast<std::uint32_t>(offset),
                                    static_cast<std::uint32_t>(runs_.size() - offset)});
                ++runsAtSpot_[static_cast<std::size_t>(spot)];
            }
            return;
        }
        Parse();
    }
    if (typing) {
        parsed_->TypeAtBookmark(name, text);
    } else {
        parsed_->InsertBeforeBookmark(name, text);
    }
}

void StampedDocument::Parse() {
    auto parsed = std::make_unique<DocxPackage>(image_->Path());
    for (const Call& call : calls_) {
        const std::string_view name(callText_.data() + call.name, call.nameLength);
        const std::string_view text(callText_.data() + call.text, call.textLength);
        if (call.typing) {
            parsed->TypeAtBookmark(name, text);
        } else {
            parsed->InsertBeforeBookmark(name, text);
        }
    }
    parsed_ = std::move(parsed);
    calls_ = {};
    callText_ = {};
    written_ = {};
    runs_ = {};
}

std::string StampedDocument::PartMarkup(const TemplateImage::Part& part, const std::vector<std::uint32_t>& firstWritten,
                                        const std::vector<std::uint32_t>& writtenBySpot) const {
    const std::vector<TemplateImage::Spot>& spots = image_->Spots();
    std::string out;
    out.reserve(part.markup.size() + runs_.size());
    std::size_t from = 0;
    for (std::size_t s = part.firstSpot; s < part.firstSpot + part.spotCount; ++s) {
        const TemplateImage::Spot& spot = spots[s];
        const std::uint32_t count = runsAtSpot_[s];
        if (count == 0) {
            if (spot.only) {
                // The element stays empty and is written as such.
                out.append(part.markup, from, spot.offset - 1 - from);
                out += "/>";
                from = spot.offset + spot.closing;
            }
            continue;
        }
        out.append(part.markup, from, spot.offset - from);
        from = spot.offset;
        const std::uint32_t* runs = writtenBySpot.data() + firstWritten[s];
        // Texts that go in front of the earlier ones come out last first.
        for (std::uint32_t k = count; k-- > 0;) {
            const Written& w = written_[runs[k]];
            if (w.front) {
                out.append(runs_, w.offset, w.length);
            }
        }
        for (std::uint32_t k = 0; k < count; ++k) {
            const Written& w = written_[runs[k]];
            if (!w.front) {
                out.append(runs_, w.offset, w.length);
            }
        }
    }
    out.append(part.markup, from, std::string::npos);
    return out;
}

void StampedDocument::SaveAs(const std::string& pathUtf8) {
    if (parsed_) {
        parsed_->SaveAs(pathUtf8);
    } else {
        // The runs of each spot, in the order they were written.
        const std::size_t spotCount = runsAtSpot_.size();
        std::vector<std::uint32_t> firstWritten(spotCount + 1, 0);
        for (std::size_t s = 0; s < spotCount; ++s) {
            firstWritten[s + 1] = firstWritten[s] + runsAtSpot_[s];
        }
        std::vector<std::uint32_t> writtenBySpot(written_.size());
        std::vector<std::uint32_t> filled(firstWritten.begin(), firstWritten.end() - 1);
        for (std::uint32_t i = 0; i < written_.size(); ++i) {
            writtenBySpot[filled[static_cast<std::size_t>(written_[i].spot)]++] = i;
        }
        std::map<std::uint64_t, std::string> replaced;
        for (const TemplateImage::Part& part : image_->Parts()) {
            if (firstWritten[part.firstSpot + part.spotCount] != firstWritten[part.firstSpot]) {
                replaced.emplace(part.entry, PartMarkup(part, firstWritten, writtenBySpot));
            }
        }
        WritePackage(image_->Zip(), pathUtf8, replaced);
    }
    path_ = pathUtf8;
    saved_ = true;
}

void StampedDocument::Save() { SaveAs(path_); }

}  // namespace tarnfold::word::docx
