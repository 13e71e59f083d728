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
#include <unordered_map>
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
        for (Bookmark& bookmark : bookmarks_) {
            bookmark = Bookmark{};
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
    bookmarkNames_.Clear();
    bookmarks_.clear();
}

namespace {

// A place found for runs in a scanned part, before the places are ordered.
struct ScannedSpot {
    std::size_t part = 0;
    std::size_t offset = 0;
    std::int32_t paragraph = 0;
};

// A place asked for in a scanned part, numbered in the order asked. The
// part is in the high bits of the key, the offset in the low.
struct ScanRequest {
    std::uint64_t key;
    std::int32_t paragraph;
    std::uint32_t number;
};

constexpr int kPartShift = 48;
constexpr std::uint64_t kOffsetBits = (std::uint64_t{1} << kPartShift) - 1;

// The stretch a scanned bookmark spans, in its part's markup.
struct ScannedSpan {
    std::uint32_t bookmark;
    std::size_t part, from, to;
};

// What planning the scanned parts leaves for ordering the places.
struct ScanPlan {
    std::vector<ScanRequest> requests;
    std::vector<ScannedSpan> spans;

    std::int32_t SpotFor(std::size_t part, std::size_t offset, std::int32_t paragraph) {
        const auto number = static_cast<std::uint32_t>(requests.size());
        requests.push_back({(static_cast<std::uint64_t>(part) << kPartShift) | offset, paragraph, number});
        return static_cast<std::int32_t>(number);
    }
};

// The places asked for, merged, in the order of the parts and of their
// markup; and for each request the place it became.
struct OrderedSpots {
    std::vector<ScannedSpot> planned;
    std::vector<std::int32_t> finalIndex;
};

// Where the runs of a start's operations go in its part.
struct ScannedTarget {
    std::int32_t paragraph = ScannedPart::kNone;
    std::size_t insertAt = 0, typeAt = 0;
    bool front = true;
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

// Reads and scans the story parts; false when one needs the parser.
bool ScanStoryParts(const ZipReader& zip, std::vector<ScannedPart>& scanned, std::vector<std::uint64_t>& entries) {
    for (const StoryPart& story : StoryParts(zip)) {
        std::string source = zip.Read(story.entry);
        const auto encoding = DecodePart(source);
        if (!encoding || *encoding != pugi::encoding_utf8) {
            return false;
        }
        auto part = ScanPart(std::move(source));
        if (!part) {
            return false;
        }
        scanned.push_back(std::move(*part));
        entries.push_back(story.entry);
    }
    return true;
}

// The part's bookmark ends by id; of ends with one id the first in the part counts.
struct EndsById {
    NameIndex ids;
    std::vector<const ScannedPart::Mark*> ends;  // by the id's number
    std::uint32_t last = NameIndex::kMissing;    // the number found last
};

EndsById EndsOf(const ScannedPart& part) {
    EndsById ends;
    ends.ids.Reserve(part.ends.size());
    ends.ends.reserve(part.ends.size());
    for (const ScannedPart::Mark& end : part.ends) {
        if (ends.ids.Add(end.id).second) {
            ends.ends.push_back(&end);
        }
    }
    return ends;
}

// Starts mostly come in the order of their ends.
const ScannedPart::Mark* EndOf(EndsById& ends, std::string_view id) {
    const std::uint32_t number = ends.ids.Find(id, ends.last);
    return number == NameIndex::kMissing ? nullptr : ends.ends[number];
}

// False when the markup around the start needs the parser; a target
// without a paragraph leaves the bookmark to the parsed document.
bool TargetOf(const ScannedPart& part, const ScannedPart::Mark& start, ScannedTarget& target) {
    if (start.parent == ScannedPart::Parent::Paragraph) {
        target.paragraph = start.paragraph;
        target.insertAt = start.start;
        target.typeAt = start.after;
        target.front = false;
        return true;
    }
    if (start.parent != ScannedPart::Parent::Block) {
        return false;
    }
    // The start of the next paragraph, else the end of the last one.
    target.paragraph = start.nextParagraph;
    if (target.paragraph == ScannedPart::kNone) {
        target.paragraph = start.lastParagraph;
        target.front = false;
    }
    if (target.paragraph != ScannedPart::kNone) {
        const ScannedPart::Paragraph& paragraph = part.paragraphs[static_cast<std::size_t>(target.paragraph)];
        if (paragraph.empty && !paragraph.expanded) {
            return false;
        }
        target.insertAt = target.typeAt =
            target.front && paragraph.firstContent != std::string::npos ? paragraph.firstContent : paragraph.end;
    }
    return true;
}

// Marks mostly ask in the order of the markup: the places are then sorted already.
OrderedSpots OrderRequests(std::vector<ScanRequest>& requests) {
    const auto byKey = [](const ScanRequest& a, const ScanRequest& b) { return a.key < b.key; };
    if (!std::is_sorted(requests.begin(), requests.end(), byKey)) {
        std::sort(requests.begin(), requests.end(), byKey);
    }
    OrderedSpots ordered;
    ordered.finalIndex.resize(requests.size());
    for (std::size_t r = 0; r < requests.size(); ++r) {
        if (r == 0 || requests[r].key != requests[r - 1].key) {
            ordered.planned.push_back({static_cast<std::size_t>(requests[r].key >> kPartShift),
                                       static_cast<std::size_t>(requests[r].key & kOffsetBits), requests[r].paragraph});
        }
        ordered.finalIndex[requests[r].number] = static_cast<std::int32_t>(ordered.planned.size()) - 1;
    }
    return ordered;
}

// The opening markup of a run with the scanned properties element (or none).
void AppendScannedRunHead(const ScannedPart& part, std::int32_t properties, std::string& head) {
    head = "<" + part.run + ">";
    if (properties == ScannedPart::kNone) {
        return;
    }
    const ScannedPart::Properties& copied = part.properties[static_cast<std::size_t>(properties)];
    std::string content;
    std::size_t from = copied.begin;
    for (std::size_t k = 0; k + 1 < copied.leftOut.size(); k += 2) {
        content.append(part.markup, from, copied.leftOut[k] - from);
        from = copied.leftOut[k + 1];
    }
    content.append(part.markup, from, copied.end - from);
    head += "<" + part.runProperties + (content.empty() ? "/>" : ">" + content + "</" + part.runProperties + ">");
}

// The number of the head among the distinct heads, added if new.
std::uint32_t InternHead(const std::string& head, std::unordered_map<std::string, std::uint32_t>& headIndex,
                         std::vector<std::string>& heads) {
    const auto [it, added] = headIndex.try_emplace(head, static_cast<std::uint32_t>(heads.size()));
    if (added) {
        heads.push_back(head);
    }
    return it->second;
}

// The first element from `from` on for which `before` is false, where it is
// true for every element ahead of `from`. Looked for in steps that double,
// so that an answer close by costs a few comparisons.
template <class It, class Before>
It FirstNotBefore(It from, It last, Before before) {
    std::ptrdiff_t step = 1;
    while (last - from > step) {
        const It probe = from + step;
        if (!before(*probe)) {
            return std::partition_point(from, probe, before);
        }
        from = probe + 1;
        step *= 2;
    }
    return std::partition_point(from, last, before);
}

// Where a search of a sorted range goes on from: the last answer, unless
// what is sought now lies before it.
template <class It, class Before>
It Resumed(It first, It cursor, It last, Before before) {
    if (cursor < first || cursor > last || (cursor > first && !before(*std::prev(cursor)))) {
        return first;
    }
    return cursor;
}

// Spots with from <= offset <= to in the part lie inside the bookmark's
// stretch. Stretches mostly come in the order of the markup and hold a spot
// or two: the search goes on from where the last one began (`cursor`).
void SetSpan(TemplateImage::Bookmark& bookmark, const std::vector<TemplateImage::Spot>& spots,
             const TemplateImage::Part& part, std::size_t from, std::size_t to, std::size_t& cursor) {
    using Spot = TemplateImage::Spot;
    const auto first = spots.begin() + static_cast<std::ptrdiff_t>(part.firstSpot);
    const auto last = first + static_cast<std::ptrdiff_t>(part.spotCount);
    const auto ahead = [from](const Spot& s) { return s.offset < from; };
    const auto lo =
        FirstNotBefore(Resumed(first, spots.begin() + static_cast<std::ptrdiff_t>(cursor), last, ahead), last, ahead);
    const auto hi = FirstNotBefore(lo, last, [to](const Spot& s) { return s.offset <= to; });
    cursor = static_cast<std::size_t>(lo - spots.begin());
    bookmark.spanFirst = static_cast<std::int32_t>(lo - spots.begin());
    bookmark.spanLast = static_cast<std::int32_t>(hi - spots.begin()) - 1;
}

// Points each bookmark's spots at the spots' places once they are ordered.
void RenumberSpots(std::vector<TemplateImage::Bookmark>& bookmarks, const std::vector<std::int32_t>& finalIndex) {
    for (TemplateImage::Bookmark& bookmark : bookmarks) {
        if (bookmark.insertSpot >= 0) {
            bookmark.insertSpot = finalIndex[static_cast<std::size_t>(bookmark.insertSpot)];
        }
        if (bookmark.typeSpot >= 0) {
            bookmark.typeSpot = finalIndex[static_cast<std::size_t>(bookmark.typeSpot)];
        }
    }
}

// Plans where a start's operations put their runs; false when the markup
// needs the parser.
bool PlanScannedStart(std::size_t p, const ScannedPart& part, const ScannedPart::Mark& start, EndsById& ends,
                      std::uint32_t number, TemplateImage::Bookmark& bookmark, ScanPlan& plan,
                      std::size_t& plainCursor) {
    ScannedTarget target;
    if (!TargetOf(part, start, target)) {
        return false;
    }
    if (target.paragraph == ScannedPart::kNone) {
        return true;  // no paragraph to write in: left to the parsed document
    }
    bookmark.insertSpot = plan.SpotFor(p, target.insertAt, target.paragraph);
    bookmark.insertFront = start.parent == ScannedPart::Parent::Block && target.front;

    // Typing replaces what the range spans; text there is left to the parsed document.
    const ScannedPart::Mark* end = start.columns ? nullptr : EndOf(ends, start.id);
    if (end != nullptr) {
        if (end->insideRun) {
            return false;
        }
        if (end->start > start.start) {
            const auto ahead = [&start](std::size_t run) { return run < start.after; };
            const auto runs = part.plainRuns.begin();
            const auto from = FirstNotBefore(
                Resumed(runs, runs + static_cast<std::ptrdiff_t>(plainCursor), part.plainRuns.end(), ahead),
                part.plainRuns.end(), ahead);
            plainCursor = static_cast<std::size_t>(from - runs);
            if (from != part.plainRuns.end() && *from < end->start) {
                return true;
            }
            plan.spans.push_back({number, p, start.after, end->start});
            if (start.parent == ScannedPart::Parent::Paragraph && end->parent == ScannedPart::Parent::Paragraph &&
                end->paragraph == start.paragraph) {
                target.typeAt = end->after;
            }
        }
    }
    bookmark.typeSpot = plan.SpotFor(p, target.typeAt, target.paragraph);
    bookmark.typeFront = start.parent == ScannedPart::Parent::Paragraph || target.front;
    return true;
}

// Plans the bookmarks whose first start is in the part; false when the
// markup needs the parser.
bool PlanScannedBookmarks(std::size_t p, const ScannedPart& part, NameIndex& names,
                          std::vector<TemplateImage::Bookmark>& bookmarks, ScanPlan& plan) {
    EndsById ends = EndsOf(part);
    char buffer[kKeyBuffer];
    std::string spare;
    names.Reserve(names.Size() + part.starts.size());
    bookmarks.reserve(bookmarks.size() + part.starts.size());
    std::size_t plainCursor = 0;
    for (const ScannedPart::Mark& start : part.starts) {
        const auto [number, added] = names.Add(FoldedKey(start.name, buffer, kKeyBuffer, spare));
        if (!added) {
            continue;  // the first start of a name wins
        }
        TemplateImage::Bookmark& bookmark = bookmarks.emplace_back();
        if (start.insideRun || !PlanScannedStart(p, part, start, ends, number, bookmark, plan, plainCursor)) {
            return false;
        }
    }
    // An empty paragraph written with an end tag for marks that lost to
    // an earlier start of their name still gets its spot, so that it is
    // written empty again.
    for (std::size_t k = 0; k < part.paragraphs.size(); ++k) {
        if (part.paragraphs[k].expanded) {
            plan.SpotFor(p, part.paragraphs[k].end, static_cast<std::int32_t>(k));
        }
    }
    return true;
}

// The formatting each spot's run takes; spots that copy the same
// properties share their markup.
std::vector<std::uint32_t> ScannedHeads(const std::vector<ScannedPart>& scanned,
                                        const std::vector<ScannedSpot>& planned, std::vector<std::string>& heads) {
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
        if (cached < 0) {
            AppendScannedRunHead(part, properties, head);
            cached = InternHead(head, headIndex, heads);
        }
        plannedHead[i] = static_cast<std::uint32_t>(cached);
    }
    return plannedHead;
}

// Lays out the spots in the order of the parts and of their markup, and
// hands each part that has spots its markup; gives the place in `parts` of
// each scanned part, -1 for one without spots.
std::vector<std::int32_t> PlaceScannedSpots(std::vector<ScannedPart>& scanned,
                                            const std::vector<std::uint64_t>& entries,
                                            const std::vector<ScannedSpot>& planned,
                                            const std::vector<std::uint32_t>& plannedHead,
                                            std::vector<TemplateImage::Part>& parts,
                                            std::vector<TemplateImage::Spot>& spots) {
    std::vector<std::int32_t> partOf(scanned.size(), -1);
    for (std::size_t k = 0; k < planned.size(); ++k) {
        const ScannedSpot& spot = planned[k];
        const ScannedPart& part = scanned[spot.part];
        if (partOf[spot.part] < 0) {
            partOf[spot.part] = static_cast<std::int32_t>(parts.size());
            TemplateImage::Part image;
            image.entry = entries[spot.part];
            image.firstSpot = k;
            image.runEnd = "</" + part.run + ">";
            image.text = part.text;
            image.tab = "<" + part.tab + "/>";
            image.lineBreak = "<" + part.lineBreak + "/>";
            parts.push_back(std::move(image));
        }
        ++parts.back().spotCount;
        const ScannedPart::Paragraph& paragraph = part.paragraphs[static_cast<std::size_t>(spot.paragraph)];
        TemplateImage::Spot& placed = spots.emplace_back();
        placed.offset = spot.offset;
        placed.head = plannedHead[k];
        placed.only = paragraph.expanded && spot.offset == paragraph.end;
        placed.closing = placed.only ? static_cast<std::uint32_t>(paragraph.closing) : 0;
    }
    for (std::size_t p = 0; p < scanned.size(); ++p) {
        if (partOf[p] >= 0) {
            parts[static_cast<std::size_t>(partOf[p])].markup = std::move(scanned[p].markup);
        }
    }
    return partOf;
}

// The stretch a parsed bookmark spans, between the boundaries numbered so.
struct ParsedSpan {
    std::uint32_t bookmark;
    std::size_t afterStart, beforeEnd;
};

// A start right before its end spans one gap, the spot between them if
// there is one: no markers are needed to find it.
struct Gap {
    std::uint32_t bookmark;
    NodeKey key;
    std::int32_t spot;
};

// What planning the parsed bookmarks leaves for placing the markers.
struct ParsedPlan {
    std::vector<PlannedSpot> planned;
    std::vector<Boundary> boundaries;
    std::vector<ParsedSpan> spans;
    std::vector<Gap> gaps;
};

using XmlParts = std::vector<std::unique_ptr<XmlPart>>;

ParsedPlan PlanParsedBookmarks(const XmlParts& xmlParts, const BookmarkIndex& index, NameIndex& names,
                               std::vector<TemplateImage::Bookmark>& bookmarks) {
    std::map<const XmlPart*, std::size_t> partIndex;
    for (std::size_t i = 0; i < xmlParts.size(); ++i) {
        partIndex.emplace(xmlParts[i].get(), i);
    }
    ParsedPlan plan;
    std::unordered_map<NodeKey, std::int32_t, NodeKeyHash> spotOf;
    spotOf.reserve(index.Size() * 2);
    const auto spotFor = [&](std::size_t part, const RunSpot& spot) {
        auto [it, added] = spotOf.try_emplace(KeyOf(spot), static_cast<std::int32_t>(plan.planned.size()));
        if (added) {
            plan.planned.push_back({part, spot, false, {}});
        }
        return it->second;
    };
    char buffer[kKeyBuffer];
    std::string spare;
    names.Reserve(index.Size());
    bookmarks.reserve(index.Size());
    for (const std::string& name : index.Names()) {
        const BookmarkRef& ref = *index.Find(name);
        const std::size_t part = partIndex.at(ref.part);
        const auto [number, added] = names.Add(FoldedKey(name, buffer, kKeyBuffer, spare));
        if (added) {
            bookmarks.emplace_back();
        }
        TemplateImage::Bookmark& bookmark = bookmarks[number];
        if (const auto run = PlanInsertBefore(ref)) {
            bookmark.insertSpot = spotFor(part, run->spot);
            bookmark.insertFront = run->front;
        }
        if (const auto typing = PlanTypeAt(ref)) {
            bookmark.typeSpot = spotFor(part, typing->run.spot);
            bookmark.typeFront = typing->run.front;
            if (typing->spanned && ref.end.previous_sibling() == ref.start) {
                plan.gaps.push_back({number, KeyOf({ref.start.parent(), ref.end}), -1});
            } else if (typing->spanned) {
                plan.spans.push_back({number, plan.boundaries.size(), plan.boundaries.size() + 1});
                plan.boundaries.push_back({ref.start, true});
                plan.boundaries.push_back({ref.end, false});
            }
        }
    }
    for (Gap& gap : plan.gaps) {
        if (const auto it = spotOf.find(gap.key); it != spotOf.end()) {
            gap.spot = it->second;
        }
    }
    return plan;
}

// The formatting each spot's run takes; spots that copy the same
// properties share their markup.
std::vector<std::uint32_t> ParsedHeads(const XmlParts& xmlParts, const std::vector<PlannedSpot>& planned,
                                       std::vector<std::string>& heads) {
    std::unordered_map<const void*, std::uint32_t> headOfProperties;
    std::unordered_map<std::string, std::uint32_t> headIndex;
    std::vector<std::uint32_t> plannedHead(planned.size());
    std::string head;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const WordNames& names = *xmlParts[planned[i].part]->names;
        const pugi::xml_node properties = NeighbourPropertiesAt(names, planned[i].spot);
        const auto known = headOfProperties.find(properties.internal_object());
        if (known != headOfProperties.end() && properties) {
            plannedHead[i] = known->second;
            continue;
        }
        head.clear();
        AppendRunHead(names, properties, head);
        plannedHead[i] = InternHead(head, headIndex, heads);
        if (properties) {
            headOfProperties.emplace(properties.internal_object(), plannedHead[i]);
        }
    }
    return plannedHead;
}

// Markers: spots first, then the boundaries, numbered on from them.
void PlaceMarkers(std::vector<PlannedSpot>& planned, const std::vector<Boundary>& boundaries) {
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
}

// Each part's markup without the markers, and where they were.
struct MarkedMarkup {
    std::vector<std::size_t> offsetOf;  // by marker, in its part's markup
    std::vector<std::size_t> markerPart;
    std::vector<std::string> markups;  // by part; empty for a part without spots
    std::vector<TemplateImage::Part> partNames;
};

TemplateImage::Part PartNamesOf(const XmlPart& xml) {
    TemplateImage::Part names;
    names.entry = xml.entry;
    names.runEnd = "</" + xml.names->Qualified("r") + ">";
    names.text = xml.names->Qualified("t");
    names.tab = "<" + xml.names->Qualified("tab") + "/>";
    names.lineBreak = "<" + xml.names->Qualified("br") + "/>";
    return names;
}

// Cuts the markers out of the saved part `p` in place: on a large form a
// second copy of the part would be the peak of the memory taken. False
// when the part's own markup looks like a marker.
bool CutMarkers(std::string& saved, std::size_t p, MarkedMarkup& marked) {
    const std::size_t markers = marked.offsetOf.size();
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
        if (!number || id >= markers || marked.offsetOf[id] != std::string::npos) {
            return false;
        }
        keep(at);
        marked.offsetOf[id] = kept;
        marked.markerPart[id] = p;
        from = close + kMarkerClose.size();
    }
    keep(saved.size());
    saved.resize(kept);
    saved.shrink_to_fit();
    return true;
}

// Saves each part that has spots and finds its markers; false when a
// marker is lost or the markup defeats them.
bool SaveMarkedParts(XmlParts& xmlParts, const ParsedPlan& plan, MarkedMarkup& marked) {
    const std::vector<PlannedSpot>& planned = plan.planned;
    const std::size_t markers = planned.size() + plan.boundaries.size();
    marked.offsetOf.assign(markers, std::string::npos);
    marked.markerPart.assign(markers, 0);
    for (std::size_t i = 0; i < planned.size(); ++i) {
        marked.markerPart[i] = planned[i].part;
    }
    marked.markups.resize(xmlParts.size());
    marked.partNames.resize(xmlParts.size());
    std::vector<bool> hasSpots(xmlParts.size(), false);
    for (const PlannedSpot& spot : planned) {
        hasSpots[spot.part] = true;
    }
    for (std::size_t p = 0; p < xmlParts.size(); ++p) {
        if (!hasSpots[p]) {
            continue;
        }
        std::string saved;
        XmlPart& xml = *xmlParts[p];
        SavePart(xml, saved);
        marked.partNames[p] = PartNamesOf(xml);
        // The parsed part is done with: on a large form it is most of the memory.
        xml.xml.reset();
        std::string().swap(xml.source);
        if (!CutMarkers(saved, p, marked)) {
            return false;
        }
        marked.markups[p] = std::move(saved);
    }
    return std::find(marked.offsetOf.begin(), marked.offsetOf.end(), std::string::npos) == marked.offsetOf.end();
}

// The parts with spots and their spots, in the order of the parts and of
// their markup; and for each planned spot the place it took.
struct PlacedSpots {
    std::vector<TemplateImage::Part> parts;
    std::vector<TemplateImage::Spot> spots;
    std::vector<std::int32_t> finalIndex;
};

// A spot that is all its element holds must sit right inside the element's
// tags as saved; false when it does not.
bool MarkOnly(const PlannedSpot& planned, const std::string& markup, TemplateImage::Spot& spot) {
    const std::string& end = planned.closing;
    if (spot.offset == 0 || markup[spot.offset - 1] != '>' || markup.compare(spot.offset, end.size(), end) != 0) {
        return false;
    }
    spot.only = true;
    spot.closing = static_cast<std::uint32_t>(end.size());
    return true;
}

bool PlaceParsedSpots(const std::vector<PlannedSpot>& planned, const std::vector<std::uint32_t>& plannedHead,
                      MarkedMarkup& marked, PlacedSpots& placed) {
    const std::vector<std::size_t>& offsetOf = marked.offsetOf;
    std::vector<std::size_t> order(planned.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::make_pair(planned[a].part, offsetOf[a]) < std::make_pair(planned[b].part, offsetOf[b]);
    });
    placed.finalIndex.resize(planned.size());
    placed.spots.resize(planned.size());
    std::vector<TemplateImage::Part>& parts = placed.parts;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        const PlannedSpot& plannedSpot = planned[i];
        placed.finalIndex[i] = static_cast<std::int32_t>(k);
        TemplateImage::Spot& spot = placed.spots[k];
        spot.offset = offsetOf[i];
        spot.head = plannedHead[i];
        if (parts.empty() || parts.back().entry != marked.partNames[plannedSpot.part].entry) {
            TemplateImage::Part part = std::move(marked.partNames[plannedSpot.part]);
            part.markup = std::move(marked.markups[plannedSpot.part]);
            part.firstSpot = k;
            parts.push_back(std::move(part));
        }
        ++parts.back().spotCount;
        if (plannedSpot.only && !MarkOnly(plannedSpot, parts.back().markup, spot)) {
            return false;
        }
    }
    return true;
}

// The spots inside each stretch a bookmark spans.
void SetParsedSpans(const ParsedPlan& plan, const MarkedMarkup& marked, const XmlParts& xmlParts, PlacedSpots& placed,
                    std::vector<TemplateImage::Bookmark>& bookmarks) {
    for (const Gap& gap : plan.gaps) {
        if (gap.spot >= 0) {
            TemplateImage::Bookmark& bookmark = bookmarks[gap.bookmark];
            bookmark.spanFirst = bookmark.spanLast = placed.finalIndex[static_cast<std::size_t>(gap.spot)];
        }
    }
    const std::size_t spotMarkers = plan.planned.size();
    std::size_t cursor = 0;
    for (const ParsedSpan& span : plan.spans) {
        TemplateImage::Bookmark& bookmark = bookmarks[span.bookmark];
        const std::size_t part = marked.markerPart[spotMarkers + span.afterStart];
        if (part != marked.markerPart[spotMarkers + span.beforeEnd]) {
            bookmark.typeSpot = -1;
            continue;
        }
        const auto inPart = std::find_if(placed.parts.begin(), placed.parts.end(), [&](const TemplateImage::Part& p) {
            return p.entry == xmlParts[part]->entry;
        });
        if (inPart != placed.parts.end()) {
            SetSpan(bookmark, placed.spots, *inPart, marked.offsetOf[spotMarkers + span.afterStart],
                    marked.offsetOf[spotMarkers + span.beforeEnd], cursor);
        }
    }
}

}  // namespace

bool TemplateImage::Scan() {
    std::vector<ScannedPart> scanned;
    std::vector<std::uint64_t> entries;
    if (!ScanStoryParts(*zip_, scanned, entries)) {
        return false;
    }
    zip_->CheckCopyable();

    // Each place asked for, numbered in the order asked; the places are
    // sorted and merged once all are known.
    ScanPlan plan;
    for (std::size_t p = 0; p < scanned.size(); ++p) {
        if (!PlanScannedBookmarks(p, scanned[p], bookmarkNames_, bookmarks_, plan)) {
            return false;
        }
    }
    const OrderedSpots ordered = OrderRequests(plan.requests);
    const std::vector<std::uint32_t> plannedHead = ScannedHeads(scanned, ordered.planned, heads_);
    const std::vector<std::int32_t> partOf =
        PlaceScannedSpots(scanned, entries, ordered.planned, plannedHead, parts_, spots_);
    RenumberSpots(bookmarks_, ordered.finalIndex);
    std::size_t cursor = 0;
    for (const ScannedSpan& span : plan.spans) {
        if (partOf[span.part] >= 0) {
            SetSpan(bookmarks_[span.bookmark], spots_, parts_[static_cast<std::size_t>(partOf[span.part])], span.from,
                    span.to, cursor);
        }
    }
    return true;
}

bool TemplateImage::Prepare(DocxPackage& package) {
    ParsedPlan plan = PlanParsedBookmarks(package.parts_, package.index_, bookmarkNames_, bookmarks_);
    const std::vector<std::uint32_t> plannedHead = ParsedHeads(package.parts_, plan.planned, heads_);
    // What only the planning needed goes before the parts are saved, the
    // moment of the most memory.
    package.index_ = BookmarkIndex();

    PlaceMarkers(plan.planned, plan.boundaries);
    MarkedMarkup marked;
    if (!SaveMarkedParts(package.parts_, plan, marked)) {
        return false;
    }
    PlacedSpots placed;
    if (!PlaceParsedSpots(plan.planned, plannedHead, marked, placed)) {
        return false;
    }
    RenumberSpots(bookmarks_, placed.finalIndex);
    SetParsedSpans(plan, marked, package.parts_, placed, bookmarks_);
    parts_ = std::move(placed.parts);
    spots_ = std::move(placed.spots);
    return true;
}

const TemplateImage::Bookmark* TemplateImage::Find(std::string_view name, std::uint32_t& last) const {
    char buffer[kKeyBuffer];
    std::string spare;
    const std::uint32_t number = bookmarkNames_.Find(FoldedKey(name, buffer, kKeyBuffer, spare), last);
    return number == NameIndex::kMissing ? nullptr : &bookmarks_[number];
}

std::size_t TemplateImage::PartOfSpot(std::size_t spot) const {
    const auto it = std::upper_bound(parts_.begin(), parts_.end(), spot,
                                     [](std::size_t s, const Part& p) { return s < p.firstSpot; });
    return static_cast<std::size_t>(it - parts_.begin()) - 1;
}

}  // namespace tarnfold::word::docx
