#include "word/docx/template_image.h"

#include "core/error.h"
#include "word/docx/bookmark_edit.h"
#include "word/docx/docx_package.h"
#include "word/docx/part_encoding.h"
#include "word/docx/part_scan.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>

namespace tarnfold::word::docx {

namespace {

constexpr std::size_t kKeyBuffer = 64;

// Markers put into the parsed part where runs will go, found again in its
// saved markup and cut out. The name is a control character, which the save
// writes escaped everywhere but in such a name, comments and the like.
constexpr char kMarkerName[] = "\x01";
constexpr std::string_view kMarkerOpen = "<?\x01 ";
constexpr std::string_view kMarkerClose = "?>";

using NodeKey = std::pair<const void*, const void*>;

struct NodeKeyHash {
    std::size_t operator()(const NodeKey& key) const {
        const std::hash<const void*> hash;
        return hash(key.first) * 31 + hash(key.second);
    }
};

NodeKey KeyOf(const RunSpot& spot) { return {spot.parent.internal_object(), spot.before.internal_object()}; }

// A place in a parsed part before its markers are placed.
struct PlannedSpot {
    std::size_t part = 0;
    RunSpot spot;
    bool only = false;
    std::string closing;  // the end tag of an element the spot is all of
};

// A place whose offset in the markup is needed, though no run goes there:
// right after a bookmark's start, right before its end.
struct Boundary {
    pugi::xml_node node;
    bool after = false;
};

}  // namespace

TemplateImage::TemplateImage(const std::string& pathUtf8, Preparation preparation) : path_(pathUtf8) {
    zip_.emplace(pathUtf8);
    try {
        scanned_ = Scan();
    } catch (const Error&) {
        // The parser reads the package again and says what is wrong with it.
        scanned_ = false;
    }
    if (scanned_) {
        return;
    }
    Clear();
    if (preparation == Preparation::ScanOnly) {
        return;
    }
    zip_.reset();
    DocxPackage package(pathUtf8);
    if (!Prepare(package)) {
        // Markup this program cannot splice into: every call goes to the
        // parsed document, and the bookmarks are still found here.
        for (auto& entry : bookmarks_) {
            entry.second = Bookmark{};
        }
        parts_.clear();
        spots_.clear();
    }
    zip_.emplace(std::move(package.zip_));
}

void TemplateImage::Clear() {
    parts_.clear();
    spots_.clear();
    heads_.clear();
    bookmarks_.clear();
}

namespace {

// A place found for runs in a scanned part, before the places are ordered.
struct ScannedSpot {
    std::size_t part = 0;
    std::size_t offset = 0;
    std::int32_t paragraph = 0;
};

// The properties a run added at `offset` in the paragraph copies: those of
// the run before it, else of the run after it, else of the paragraph mark.
std::int32_t NeighbourProperties(const ScannedPart& part, std::int32_t paragraph, std::size_t offset) {
    const ScannedPart::Paragraph& p = part.paragraphs[static_cast<std::size_t>(paragraph)];
    const auto first = part.runs.begin() + static_cast<std::ptrdiff_t>(p.firstRun);
    const auto last = first + static_cast<std::ptrdiff_t>(p.runCount);
    const auto after =
        std::lower_bound(first, last, offset, [](const ScannedPart::Run& r, std::size_t o) { return r.start < o; });
    if (after != first) {
        return std::prev(after)->properties;
    }
    return after != last ? after->properties : p.properties;
}

}  // namespace

bool TemplateImage::Scan() {
    std::vector<ScannedPart> scanned;
    std::vector<std::uint64_t> entries;
    for (const StoryPart& story : StoryParts(*zip_)) {
        std::string source = zip_->Read(story.entry);
        const auto encoding = DecodePart(source);
        if (!encoding || *encoding != pugi::encoding_utf8) {
            return false;
        }
        auto part = ScanPart(source);
        if (!part) {
            return false;
        }
        scanned.push_back(std::move(*part));
        entries.push_back(story.entry);
    }
    zip_->CheckCopyable();

    // Each place asked for, numbered in the order asked; the places are
    // sorted and merged once all are known. The part is in the high bits of
    // one key, the offset in the low.
    struct Request {
        std::uint64_t key;
        std::int32_t paragraph;
        std::uint32_t number;
    };
    std::vector<Request> requests;
    const auto spotFor = [&](std::size_t part, std::size_t offset, std::int32_t paragraph) {
        const auto number = static_cast<std::uint32_t>(requests.size());
        requests.push_back({(static_cast<std::uint64_t>(part) << 48) | offset, paragraph, number});
        return static_cast<std::int32_t>(number);
    };
    struct Span {
        Bookmark* bookmark;
        std::size_t part, from, to;
    };
    std::vector<Span> spans;

    char buffer[kKeyBuffer];
    std::string spare;
    for (std::size_t p = 0; p < scanned.size(); ++p) {
        const ScannedPart& part = scanned[p];
        // The ends by id; of ends with one id the first in the part counts.
        std::vector<std::pair<std::string_view, const ScannedPart::Mark*>> ends;
        ends.reserve(part.ends.size());
        for (const ScannedPart::Mark& end : part.ends) {
            ends.emplace_back(end.id, &end);
        }
        // Ordered by length first, so that the numbers writers give as ids
        // mostly come sorted already.
        const auto idBefore = [](std::string_view a, std::string_view b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        };
        const auto endBefore = [&](const auto& a, const auto& b) { return idBefore(a.first, b.first); };
        if (!std::is_sorted(ends.begin(), ends.end(), endBefore)) {
            std::stable_sort(ends.begin(), ends.end(), endBefore);
        }
        bookmarks_.reserve(bookmarks_.size() + part.starts.size());
        for (const ScannedPart::Mark& start : part.starts) {
            const std::string_view key = FoldedKey(start.name, buffer, kKeyBuffer, spare);
            if (bookmarks_.find(key) != bookmarks_.end()) {
                continue;  // the first start of a name wins
            }
            Bookmark& bookmark = bookmarks_.emplace(std::string(key), Bookmark{}).first->second;
            if (start.insideRun) {
                return false;
            }
            // Where each operation puts its run.
            std::int32_t paragraph = ScannedPart::kNone;
            std::size_t insertAt = 0, typeAt = 0;
            bool front = true;
            if (start.parent == ScannedPart::Parent::Paragraph) {
                paragraph = start.paragraph;
                insertAt = start.start;
                typeAt = start.after;
                front = false;
            } else if (start.parent == ScannedPart::Parent::Block) {
                // The start of the next paragraph, else the end of the last one.
                paragraph = start.nextParagraph;
                if (paragraph == ScannedPart::kNone) {
                    paragraph = start.lastParagraph;
                    front = false;
                }
                if (paragraph != ScannedPart::kNone) {
                    const ScannedPart::Paragraph& target = part.paragraphs[static_cast<std::size_t>(paragraph)];
                    if (target.empty && !target.expanded) {
                        return false;
                    }
                    insertAt = typeAt =
                        front && target.firstContent != std::string::npos ? target.firstContent : target.end;
                }
            } else {
                return false;
            }
            if (paragraph == ScannedPart::kNone) {
                continue;  // no paragraph to write in: left to the parsed document
            }
            bookmark.insertSpot = spotFor(p, insertAt, paragraph);
            bookmark.insertFront = start.parent == ScannedPart::Parent::Block && front;

            // Typing replaces what the range spans; text there is left to the parsed document.
            const auto end =
                std::lower_bound(ends.begin(), ends.end(), std::string_view(start.id),
                                 [&](const auto& e, std::string_view id) { return idBefore(e.first, id); });
            if (end != ends.end() && end->first == start.id && !start.columns) {
                const ScannedPart::Mark& mark = *end->second;
                if (mark.insideRun) {
                    return false;
                }
                if (mark.start > start.start) {
                    const auto from = std::lower_bound(part.plainRuns.begin(), part.plainRuns.end(), start.after);
                    if (from != part.plainRuns.end() && *from < mark.start) {
                        continue;
                    }
                    spans.push_back({&bookmark, p, start.after, mark.start});
                    if (start.parent == ScannedPart::Parent::Paragraph &&
                        mark.parent == ScannedPart::Parent::Paragraph && mark.paragraph == start.paragraph) {
                        typeAt = mark.after;
                    }
                }
            }
            bookmark.typeSpot = spotFor(p, typeAt, paragraph);
            bookmark.typeFront = start.parent == ScannedPart::Parent::Paragraph || front;
        }
        // An empty paragraph written with an end tag for marks that lost to
        // an earlier start of their name still gets its spot, so that it is
        // written empty again.
        for (std::size_t k = 0; k < part.paragraphs.size(); ++k) {
            if (part.paragraphs[k].expanded) {
                spotFor(p, part.paragraphs[k].end, static_cast<std::int32_t>(k));
            }
        }
    }

    // Marks mostly ask in the order of the markup: the places are then sorted already.
    const auto byKey = [](const Request& a, const Request& b) { return a.key < b.key; };
    if (!std::is_sorted(requests.begin(), requests.end(), byKey)) {
        std::sort(requests.begin(), requests.end(), byKey);
    }
    constexpr std::uint64_t kOffsetBits = (std::uint64_t{1} << 48) - 1;
    std::vector<ScannedSpot> planned;
    std::vector<std::int32_t> finalIndex(requests.size());
    for (std::size_t r = 0; r < requests.size(); ++r) {
        if (r == 0 || requests[r].key != requests[r - 1].key) {
            planned.push_back({static_cast<std::size_t>(requests[r].key >> 48),
                               static_cast<std::size_t>(requests[r].key & kOffsetBits), requests[r].paragraph});
        }
        finalIndex[requests[r].number] = static_cast<std::int32_t>(planned.size()) - 1;
    }

    // The formatting each spot's run takes; spots that copy the same
    // properties share their markup.
    std::unordered_map<std::string, std::uint32_t> headIndex;
    std::vector<std::uint32_t> plannedHead(planned.size());
    // The head of each properties element of each part, once worked out.
    std::vector<std::vector<std::int64_t>> headOfProperties(scanned.size());
    std::string head;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const ScannedPart& part = scanned[planned[i].part];
        const std::int32_t properties = NeighbourProperties(part, planned[i].paragraph, planned[i].offset);
        std::vector<std::int64_t>& known = headOfProperties[planned[i].part];
        if (known.empty()) {
            known.assign(part.properties.size() + 1, -1);
        }
        std::int64_t& cached = known[static_cast<std::size_t>(properties + 1)];
        if (cached >= 0) {
            plannedHead[i] = static_cast<std::uint32_t>(cached);
            continue;
        }
        head = "<" + part.run + ">";
        if (properties != ScannedPart::kNone) {
            const ScannedPart::Properties& copied = part.properties[static_cast<std::size_t>(properties)];
            std::string content;
            std::size_t from = copied.begin;
            for (std::size_t k = 0; k + 1 < copied.leftOut.size(); k += 2) {
                content.append(part.markup, from, copied.leftOut[k] - from);
                from = copied.leftOut[k + 1];
            }
            content.append(part.markup, from, copied.end - from);
            head +=
                "<" + part.runProperties + (content.empty() ? "/>" : ">" + content + "</" + part.runProperties + ">");
        }
        const auto [it, added] = headIndex.try_emplace(head, static_cast<std::uint32_t>(heads_.size()));
        if (added) {
            heads_.push_back(head);
        }
        plannedHead[i] = it->second;
        cached = it->second;
    }

    // The spots, in the order of the parts and of their markup.
    std::vector<std::int32_t> partOf(scanned.size(), -1);
    for (std::size_t k = 0; k < planned.size(); ++k) {
        const ScannedSpot& spot = planned[k];
        ScannedPart& part = scanned[spot.part];
        if (partOf[spot.part] < 0) {
            partOf[spot.part] = static_cast<std::int32_t>(parts_.size());
            Part image;
            image.entry = entries[spot.part];
            image.firstSpot = k;
            image.runEnd = "</" + part.run + ">";
            image.text = part.text;
            image.tab = "<" + part.tab + "/>";
            image.lineBreak = "<" + part.lineBreak + "/>";
            parts_.push_back(std::move(image));
        }
        ++parts_.back().spotCount;
        const ScannedPart::Paragraph& paragraph = part.paragraphs[static_cast<std::size_t>(spot.paragraph)];
        Spot& placed = spots_.emplace_back();
        placed.offset = spot.offset;
        placed.head = plannedHead[k];
        placed.only = paragraph.expanded && spot.offset == paragraph.end;
        placed.closing = placed.only ? static_cast<std::uint32_t>(paragraph.closing) : 0;
    }
    for (std::size_t p = 0; p < scanned.size(); ++p) {
        if (partOf[p] >= 0) {
            parts_[static_cast<std::size_t>(partOf[p])].markup = std::move(scanned[p].markup);
        }
    }
    for (auto& [key, bookmark] : bookmarks_) {
        if (bookmark.insertSpot >= 0) {
            bookmark.insertSpot = finalIndex[static_cast<std::size_t>(bookmark.insertSpot)];
        }
        if (bookmark.typeSpot >= 0) {
            bookmark.typeSpot = finalIndex[static_cast<std::size_t>(bookmark.typeSpot)];
        }
    }
    for (const Span& span : spans) {
        Bookmark& bookmark = *span.bookmark;
        if (partOf[span.part] < 0) {
            continue;
        }
        const Part& part = parts_[static_cast<std::size_t>(partOf[span.part])];
        const auto first = spots_.begin() + static_cast<std::ptrdiff_t>(part.firstSpot);
        const auto last = first + static_cast<std::ptrdiff_t>(part.spotCount);
        const auto lo =
            std::lower_bound(first, last, span.from, [](const Spot& s, std::size_t v) { return s.offset < v; });
        const auto hi =
            std::upper_bound(first, last, span.to, [](std::size_t v, const Spot& s) { return v < s.offset; });
        bookmark.spanFirst = static_cast<std::int32_t>(lo - spots_.begin());
        bookmark.spanLast = static_cast<std::int32_t>(hi - spots_.begin()) - 1;
    }
    return true;
}

bool TemplateImage::Prepare(DocxPackage& package) {
    std::map<const XmlPart*, std::size_t> partIndex;
    for (std::size_t i = 0; i < package.parts_.size(); ++i) {
        partIndex.emplace(package.parts_[i].get(), i);
    }

    std::vector<PlannedSpot> planned;
    std::unordered_map<NodeKey, std::int32_t, NodeKeyHash> spotOf;
    spotOf.reserve(package.index_.Size() * 2);
    const auto spotFor = [&](std::size_t part, const RunSpot& spot) {
        auto [it, added] = spotOf.try_emplace(KeyOf(spot), static_cast<std::int32_t>(planned.size()));
        if (added) {
            planned.push_back({part, spot, false, {}});
        }
        return it->second;
    };
    std::vector<Boundary> boundaries;
    struct Span {
        Bookmark* bookmark;
        std::size_t afterStart, beforeEnd;
    };
    std::vector<Span> spans;
    // A start right before its end spans one gap, the spot between them if
    // there is one: no markers are needed to find it.
    struct Gap {
        Bookmark* bookmark;
        NodeKey key;
        std::int32_t spot;
    };
    std::vector<Gap> gaps;

    char buffer[kKeyBuffer];
    std::string spare;
    bookmarks_.reserve(package.index_.Size());
    for (const std::string& name : package.index_.Names()) {
        const BookmarkRef& ref = *package.index_.Find(name);
        const std::size_t part = partIndex.at(ref.part);
        const std::string key(FoldedKey(name, buffer, kKeyBuffer, spare));
        Bookmark& bookmark = bookmarks_.try_emplace(key).first->second;
        if (const auto run = PlanInsertBefore(ref)) {
            bookmark.insertSpot = spotFor(part, run->spot);
            bookmark.insertFront = run->front;
        }
        if (const auto typing = PlanTypeAt(ref)) {
            bookmark.typeSpot = spotFor(part, typing->run.spot);
            bookmark.typeFront = typing->run.front;
            if (typing->spanned && ref.end.previous_sibling() == ref.start) {
                gaps.push_back({&bookmark, KeyOf({ref.start.parent(), ref.end}), -1});
            } else if (typing->spanned) {
                spans.push_back({&bookmark, boundaries.size(), boundaries.size() + 1});
                boundaries.push_back({ref.start, true});
                boundaries.push_back({ref.end, false});
            }
        }
    }
    for (Gap& gap : gaps) {
        if (const auto it = spotOf.find(gap.key); it != spotOf.end()) {
            gap.spot = it->second;
        }
    }

    // The formatting each spot's run takes; spots that copy the same
    // properties share their markup.
    std::unordered_map<const void*, std::uint32_t> headOfProperties;
    std::unordered_map<std::string, std::uint32_t> headIndex;
    std::vector<std::uint32_t> plannedHead(planned.size());
    std::string head;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const WordNames& names = *package.parts_[planned[i].part]->names;
        const pugi::xml_node properties = NeighbourPropertiesAt(names, planned[i].spot);
        const auto known = headOfProperties.find(properties.internal_object());
        if (known != headOfProperties.end() && properties) {
            plannedHead[i] = known->second;
            continue;
        }
        head.clear();
        AppendRunHead(names, properties, head);
        const auto [it, added] = headIndex.try_emplace(head, static_cast<std::uint32_t>(heads_.size()));
        if (added) {
            heads_.push_back(head);
        }
        plannedHead[i] = it->second;
        if (properties) {
            headOfProperties.emplace(properties.internal_object(), it->second);
        }
    }

    // What only the planning needed goes before the parts are saved, the
    // moment of the most memory.
    package.index_ = BookmarkIndex();
    decltype(spotOf)().swap(spotOf);
    decltype(headOfProperties)().swap(headOfProperties);
    decltype(headIndex)().swap(headIndex);

    // Markers: spots first, then the boundaries, numbered on from them.
    for (std::size_t i = 0; i < planned.size(); ++i) {
        PlannedSpot& spot = planned[i];
        spot.only = !spot.spot.parent.first_child();
        if (spot.only) {
            spot.closing = "</" + std::string(spot.spot.parent.name()) + ">";
        }
        pugi::xml_node marker = spot.spot.before ? spot.spot.parent.insert_child_before(pugi::node_pi, spot.spot.before)
                                                 : spot.spot.parent.append_child(pugi::node_pi);
        marker.set_name(kMarkerName);
        marker.set_value(std::to_string(i).c_str());
    }
    for (std::size_t i = 0; i < boundaries.size(); ++i) {
        const Boundary& b = boundaries[i];
        pugi::xml_node marker = b.after ? b.node.parent().insert_child_after(pugi::node_pi, b.node)
                                        : b.node.parent().insert_child_before(pugi::node_pi, b.node);
        marker.set_name(kMarkerName);
        marker.set_value(std::to_string(planned.size() + i).c_str());
    }

    // Each part's markup without the markers, and where they were.
    const std::size_t markers = planned.size() + boundaries.size();
    std::vector<std::size_t> offsetOf(markers, std::string::npos);
    std::vector<std::size_t> markerPart(markers, 0);
    for (std::size_t i = 0; i < planned.size(); ++i) {
        markerPart[i] = planned[i].part;
    }
    std::vector<std::string> markups(package.parts_.size());
    std::vector<Part> partNames(package.parts_.size());
    std::vector<bool> hasSpots(package.parts_.size(), false);
    for (const PlannedSpot& spot : planned) {
        hasSpots[spot.part] = true;
    }
    for (std::size_t p = 0; p < package.parts_.size(); ++p) {
        if (!hasSpots[p]) {
            continue;
        }
        std::string saved;
        XmlPart& xml = *package.parts_[p];
        SavePart(xml, saved);
        partNames[p].entry = xml.entry;
        partNames[p].runEnd = "</" + xml.names->Qualified("r") + ">";
        partNames[p].text = xml.names->Qualified("t");
        partNames[p].tab = "<" + xml.names->Qualified("tab") + "/>";
        partNames[p].lineBreak = "<" + xml.names->Qualified("br") + "/>";
        // The parsed part is done with: on a large form it is most of the memory.
        xml.xml.reset();
        std::string().swap(xml.source);
        // The markers are cut out in place: on a large form a second copy
        // of the part would be the peak of the memory taken.
        std::size_t kept = 0;
        std::size_t from = 0;
        const auto keep = [&](std::size_t end) {
            std::memmove(saved.data() + kept, saved.data() + from, end - from);
            kept += end - from;
        };
        for (std::size_t at = saved.find(kMarkerOpen); at != std::string::npos; at = saved.find(kMarkerOpen, from)) {
            const std::size_t digits = at + kMarkerOpen.size();
            const std::size_t close = saved.find(kMarkerClose, digits);
            std::size_t id = 0;
            bool number = close != std::string::npos && close > digits;
            for (std::size_t k = digits; number && k < close; ++k) {
                number = saved[k] >= '0' && saved[k] <= '9';
                id = id * 10 + static_cast<std::size_t>(saved[k] - '0');
            }
            if (!number || id >= markers || offsetOf[id] != std::string::npos) {
                return false;  // the part's own markup looks like a marker
            }
            keep(at);
            offsetOf[id] = kept;
            markerPart[id] = p;
            from = close + kMarkerClose.size();
        }
        keep(saved.size());
        saved.resize(kept);
        saved.shrink_to_fit();
        markups[p] = std::move(saved);
    }
    if (std::find(offsetOf.begin(), offsetOf.end(), std::string::npos) != offsetOf.end()) {
        return false;
    }

    // Spots in the order of the parts and of their markup.
    std::vector<std::size_t> order(planned.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::make_pair(planned[a].part, offsetOf[a]) < std::make_pair(planned[b].part, offsetOf[b]);
    });
    std::vector<std::int32_t> finalIndex(planned.size());
    std::vector<Spot> spots(planned.size());
    std::vector<Part> parts;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        const PlannedSpot& plannedSpot = planned[i];
        finalIndex[i] = static_cast<std::int32_t>(k);
        Spot& spot = spots[k];
        spot.offset = offsetOf[i];
        spot.head = plannedHead[i];
        if (parts.empty() || parts.back().entry != partNames[plannedSpot.part].entry) {
            Part part = std::move(partNames[plannedSpot.part]);
            part.markup = std::move(markups[plannedSpot.part]);
            part.firstSpot = k;
            parts.push_back(std::move(part));
        }
        ++parts.back().spotCount;
        if (plannedSpot.only) {
            const std::string& end = plannedSpot.closing;
            const std::string& markup = parts.back().markup;
            if (spot.offset == 0 || markup[spot.offset - 1] != '>' ||
                markup.compare(spot.offset, end.size(), end) != 0) {
                return false;
            }
            spot.only = true;
            spot.closing = static_cast<std::uint32_t>(end.size());
        }
    }

    for (auto& [key, bookmark] : bookmarks_) {
        if (bookmark.insertSpot >= 0) {
            bookmark.insertSpot = finalIndex[static_cast<std::size_t>(bookmark.insertSpot)];
        }
        if (bookmark.typeSpot >= 0) {
            bookmark.typeSpot = finalIndex[static_cast<std::size_t>(bookmark.typeSpot)];
        }
    }
    for (const Gap& gap : gaps) {
        if (gap.spot >= 0) {
            gap.bookmark->spanFirst = gap.bookmark->spanLast = finalIndex[static_cast<std::size_t>(gap.spot)];
        }
    }
    for (const Span& span : spans) {
        Bookmark& bookmark = *span.bookmark;
        const std::size_t from = offsetOf[planned.size() + span.afterStart];
        const std::size_t to = offsetOf[planned.size() + span.beforeEnd];
        const std::size_t part = markerPart[planned.size() + span.afterStart];
        if (part != markerPart[planned.size() + span.beforeEnd]) {
            bookmark.typeSpot = -1;
            continue;
        }
        // Spots with from <= offset <= to in that part lie inside.
        const auto inPart = std::find_if(parts.begin(), parts.end(),
                                         [&](const Part& p) { return p.entry == package.parts_[part]->entry; });
        if (inPart == parts.end()) {
            continue;
        }
        const auto first = spots.begin() + static_cast<std::ptrdiff_t>(inPart->firstSpot);
        const auto last = first + static_cast<std::ptrdiff_t>(inPart->spotCount);
        const auto lo = std::lower_bound(first, last, from, [](const Spot& s, std::size_t v) { return s.offset < v; });
        const auto hi = std::upper_bound(first, last, to, [](std::size_t v, const Spot& s) { return v < s.offset; });
        bookmark.spanFirst = static_cast<std::int32_t>(lo - spots.begin());
        bookmark.spanLast = static_cast<std::int32_t>(hi - spots.begin()) - 1;
    }

    parts_ = std::move(parts);
    spots_ = std::move(spots);
    return true;
}

const TemplateImage::Bookmark* TemplateImage::Find(std::string_view name) const {
    char buffer[kKeyBuffer];
    std::string spare;
    const auto it = bookmarks_.find(FoldedKey(name, buffer, kKeyBuffer, spare));
    return it == bookmarks_.end() ? nullptr : &it->second;
}

std::size_t TemplateImage::PartOfSpot(std::size_t spot) const {
    const auto it = std::upper_bound(parts_.begin(), parts_.end(), spot,
                                     [](std::size_t s, const Part& p) { return s < p.firstSpot; });
    return static_cast<std::size_t>(it - parts_.begin()) - 1;
}

}  // namespace tarnfold::word::docx
