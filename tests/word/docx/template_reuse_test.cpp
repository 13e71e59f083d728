// A document made from a template prepared once is the document the template
// parsed for it alone gives, part for part, whatever the markup and the order
// of the calls; and the prepared template is really used where it can be.

#include "package_builder.h"

#include "core/error.h"
#include "temp_dir.h"
#include "word/docx/docx_package.h"
#include "word/docx/stamped_document.h"
#include "word/docx/template_cache.h"
#include "word/docx/template_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarnfold::testing {
namespace {

using word::docx::DocxPackage;
using word::docx::OpenDocument;
using word::docx::StampedDocument;
using word::docx::TemplateImage;

struct Call {
    bool typing;
    std::string name;
    std::string text;
};

Call Type(std::string name, std::string text) { return {true, std::move(name), std::move(text)}; }
Call Insert(std::string name, std::string text) { return {false, std::move(name), std::move(text)}; }

void Apply(OpenDocument& doc, const std::vector<Call>& calls) {
    for (const Call& call : calls) {
        if (call.typing) {
            doc.TypeAtBookmark(call.name, call.text);
        } else {
            doc.InsertBeforeBookmark(call.name, call.text);
        }
    }
}

std::string Bookmark(int id, const std::string& name) {
    return "<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + name + "\"/><w:bookmarkEnd w:id=\"" +
           std::to_string(id) + "\"/>";
}

// Word's way: a point bookmark in a paragraph, after formatted text; and
// LibreOffice's: the start written twice in an empty cell.
const std::string kCells =
    "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Год: </w:t></w:r>" + Bookmark(1, "z0001_000_00") +
    "<w:r><w:rPr><w:i/></w:rPr><w:t> г.</w:t></w:r></w:p>"
    "<w:p><w:pPr><w:rPr><w:sz w:val=\"20\"/><w:rPrChange w:id=\"9\"/></w:rPr></w:pPr>" +
    Bookmark(2, "z0002_000_00") +
    "</w:p>"
    "<w:tbl><w:tr><w:tc><w:p><w:pPr><w:jc w:val=\"right\"/><w:bidi/><w:rPr/></w:pPr>"
    "<w:bookmarkStart w:id=\"10\" w:name=\"z1000_001_01\"/><w:bookmarkStart w:id=\"11\" w:name=\"z1000_001_01\"/>"
    "<w:bookmarkEnd w:id=\"11\"/></w:p></w:tc>"
    "<w:tc><w:p><w:r><w:rPr><w:b/><w:ins w:id=\"5\"/><w:u/></w:rPr><w:t>~</w:t></w:r>" +
    Bookmark(12, "z1000_001_02") + Bookmark(13, "z1000_001_03") +
    "<w:r><w:t>чел.</w:t></w:r></w:p></w:tc>"
    "<w:tc><w:p><w:r><w:rPr><w:ins w:id=\"6\"/></w:rPr><w:t>только правка</w:t></w:r>" +
    Bookmark(14, "z1000_001_04") + "</w:p></w:tc></w:tr></w:tbl>";

// Marks between paragraphs, at cell level, before an empty paragraph and after the last one.
const std::string kBlockMarks =
    "<w:bookmarkStart w:id=\"1\" w:name=\"before\"/><w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr>"
    "<w:r><w:t>Итого</w:t></w:r>" +
    Bookmark(2, "inside") +
    "</w:p><w:bookmarkEnd w:id=\"1\"/>"
    "<w:bookmarkStart w:id=\"3\" w:name=\"empty\"/><w:bookmarkEnd w:id=\"3\"/><w:p/>"
    "<w:tbl><w:tr><w:tc><w:bookmarkStart w:id=\"4\" w:name=\"cell\"/><w:p><w:pPr><w:jc w:val=\"right\"/></w:pPr></w:p>"
    "<w:bookmarkEnd w:id=\"4\"/></w:tc></w:tr></w:tbl><w:p><w:r><w:t>конец</w:t></w:r></w:p>" +
    Bookmark(5, "after");

struct Case {
    const char* what;
    MiniDocx docx;
    std::vector<Call> calls;
    bool spliced;         // whether the prepared template serves every call
    bool scanned = true;  // whether it was prepared without the parser
};

constexpr char kMain[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// Markup that the save writes otherwise than it stands: quotes, blanks and
// line ends in tags, entities, empty elements written in full, comments and
// character data; in a part declared in windows-1251 or with a byte order mark.
std::string UnusualMarkup(std::string_view declaration, std::string_view cyrillic) {
    return std::string(declaration) + "\r\n<!-- made by hand -->\r\n<w:document xmlns:w='" + kMain +
           "'  xmlns:r=\"urn:r\" >\r\n <w:body>\r\n"
           "<w:p w:rsidR = 'A1'><w:pPr><w:jc w:val=\"right\" ></w:jc><w:rPr><w:b></w:b>"
           "<w:rFonts w:ascii='&quot;Times&apos; &amp; &#x41;&gt;' w:hAnsi=\"a\tb\r\nc\"/></w:rPr></w:pPr>"
           "<w:r><w:rPr><w:i/><w:del w:id=\"3\"/></w:rPr><w:t xml:space='preserve'>&quot;" +
           std::string(cyrillic) +
           "&quot; &gt; 5 &#13; a\r\nb\tc > d '</w:t></w:r>"
           "<w:bookmarkStart w:id=\"1\" w:name=\"z1000_001_01\" /><w:bookmarkEnd w:id=\"1\"></w:bookmarkEnd>"
           "<!-- a note --><w:r><w:t><![CDATA[x < y]]></w:t></w:r></w:p>\r\n"
           "<w:bookmarkStart w:id='2' w:name='block'/><w:bookmarkEnd w:id='2'/><w:p></w:p>"
           "<w:bookmarkStart w:id='4' w:name='empty'/><w:p/>"
           "<w:sectPr/></w:body></w:document>\r\n";
}

MiniDocx WithStories(std::string body) {
    MiniDocx docx = OnlyDocument(DocumentXml(body));
    docx.headers.push_back(
        StoryXml("hdr", "<w:p><w:r><w:t>Период: </w:t></w:r>" + Bookmark(20, "z0003_000_00") + "</w:p>"));
    docx.footers.push_back(StoryXml("ftr", "<w:p>" + Bookmark(21, "foot") + "</w:p>"));
    return docx;
}

std::vector<Case> Cases() {
    const std::vector<Call> figures = {
        Type("z0001_000_00", "2011"),   Type("Z0002_000_00", "ГБУЗ «Больница» & <Ко>"), Type("z0003_000_00", "Январь"),
        Insert("z1000_001_01", "12,5"), Insert("z1000_001_01", "второй раз"),           Insert("z1000_001_03", "  5  "),
        Insert("z1000_001_04", "4"),    Insert("z1000_001_02", "1\t2\r\nтри\vчетыре"),  Insert("z1000_001_02", "\x07"),
        Insert("z1000_001_02", ""),     Insert("foot", "\xff\xfe сломанный UTF-8"),     Type("z0001_000_00", "2012"),
    };
    std::vector<Call> reversed(figures.rbegin(), figures.rend());
    const std::vector<Call> blocks = {
        Insert("before", "1"), Insert("inside", "2"),  Insert("empty", "3"), Insert("empty", "4"),
        Type("empty", "5"),    Type("cell", "6"),      Insert("cell", "7"),  Insert("after", "8"),
        Insert("after", "9"),  Insert("before", "10"),
    };
    std::vector<Call> blocksReversed(blocks.rbegin(), blocks.rend());

    MiniDocx otherPrefix = OnlyDocument(DocumentXml(
        "<x:p><x:r><x:rPr><x:b/></x:rPr><x:t>Всего</x:t></x:r><x:bookmarkStart x:id=\"1\" x:name=\"z1000_001_01\"/>"
        "<x:bookmarkEnd x:id=\"1\"/></x:p>",
        "x"));

    const std::vector<Call> unusual = {Insert("z1000_001_01", "1"), Type("block", "2"), Insert("block", "3"),
                                       Insert("empty", "4")};

    return {
        {"points in paragraphs and cells, headers and footers", WithStories(kCells), figures, true},
        {"markup written otherwise by the save, in windows-1251",
         OnlyDocument(UnusualMarkup("<?xml version='1.0' encoding='windows-1251'?>", "\xC8\xF2\xEE\xE3\xEE")), unusual,
         true},
        {"markup written otherwise by the save, after a byte order mark",
         OnlyDocument(UnusualMarkup("\xEF\xBB\xBF<?xml version=\"1.0\" standalone=\"yes\" ?>", "Итого")), unusual,
         true},
        {"a processing instruction, which only the parser keeps as it was",
         OnlyDocument(DocumentXml("<w:p><?keep this?>" + Bookmark(1, "z1000_001_01") + "</w:p>")),
         {Insert("z1000_001_01", "1")},
         true,
         false},
        {"the same calls in the opposite order", WithStories(kCells), reversed, true},
        {"marks between paragraphs, at cell level and after the last paragraph", OnlyDocument(DocumentXml(kBlockMarks)),
         blocks, true},
        // Typing at the cell-level mark clears the text put there before.
        {"marks between paragraphs, calls in the opposite order", OnlyDocument(DocumentXml(kBlockMarks)),
         blocksReversed, false},
        {"another prefix for the main namespace", otherPrefix, {Insert("z1000_001_01", "7 & 8")}, true},
        {"typing over text the bookmark spans",
         OnlyDocument(DocumentXml("<w:p><w:r><w:t>Год: </w:t></w:r><w:bookmarkStart w:id=\"1\" w:name=\"year\"/>"
                                  "<w:r><w:t>____</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>" +
                                  std::string("<w:p>") + Bookmark(2, "z1000_001_01") + "</w:p>")),
         {Insert("z1000_001_01", "1"), Type("year", "2011"), Insert("z1000_001_01", "2")},
         false},
        {"typing over a figure written inside the bookmark",
         OnlyDocument(DocumentXml("<w:p><w:bookmarkStart w:id=\"1\" w:name=\"outer\"/>" + Bookmark(2, "inner") +
                                  "<w:bookmarkEnd w:id=\"1\"/></w:p>")),
         {Insert("inner", "1"), Type("outer", "2"), Type("outer", "3")},
         false},
        {"typing twice at a range that holds no text",
         OnlyDocument(DocumentXml("<w:p><w:bookmarkStart w:id=\"1\" w:name=\"range\"/><w:bookmarkStart w:id=\"2\" "
                                  "w:name=\"other\"/><w:bookmarkEnd w:id=\"1\"/><w:bookmarkEnd w:id=\"2\"/></w:p>")),
         {Type("range", "1"), Type("other", "2"), Type("range", "3")},
         false},
        // A name written with an empty prefix counts as an unprefixed one;
        // a start without a name is no bookmark.
        {"a name attribute with an empty prefix, and a start without a name",
         OnlyDocument(DocumentXml("<w:p><w:bookmarkStart w:id=\"1\" :name=\"inner\"/><w:bookmarkEnd w:id=\"1\"/>"
                                  "<w:bookmarkStart w:id=\"2\" w:naee=\"lost\"/><w:bookmarkEnd w:id=\"2\"/></w:p>")),
         {Insert("inner", "1"), Type("inner", "2")},
         true},
        {"a bookmark inside a hyperlink",
         OnlyDocument(DocumentXml("<w:p><w:hyperlink w:anchor=\"x\"><w:r><w:t>ссылка</w:t></w:r>" +
                                  Bookmark(1, "link") + "</w:hyperlink>" + Bookmark(2, "plain") + "</w:p>")),
         {Insert("plain", "1"), Insert("link", "2"), Insert("plain", "3")},
         false,
         false},
    };
}

class TemplateReuse : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(TemplateReuse, EveryDocumentEqualsTheOneParsedForItAlone) {
    int n = 0;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.File("template" + std::to_string(++n) + ".docx");
        WriteDocx(path, c.docx);
        const auto image = std::make_shared<const TemplateImage>(path);
        EXPECT_EQ(image->Scanned(), c.scanned);
        // Two documents from one image: the first leaves nothing behind in it.
        for (int round = 0; round < 2; ++round) {
            DocxPackage parsed(path);
            StampedDocument stamped(image);
            Apply(parsed, c.calls);
            Apply(stamped, c.calls);
            EXPECT_EQ(stamped.Parsed(), !c.spliced);
            parsed.SaveAs(dir_.File("parsed.docx"));
            stamped.SaveAs(dir_.File("stamped.docx"));
            EXPECT_EQ(ReadAllEntries(dir_.File("stamped.docx")), ReadAllEntries(dir_.File("parsed.docx")));
        }
        // The window's way: the template scanned for one document, else parsed.
        const std::shared_ptr<OpenDocument> single = word::docx::OpenForOneDocument(path);
        EXPECT_EQ(dynamic_cast<StampedDocument*>(single.get()) != nullptr, c.scanned);
        DocxPackage parsed(path);
        Apply(parsed, c.calls);
        Apply(*single, c.calls);
        parsed.SaveAs(dir_.File("parsed.docx"));
        single->SaveAs(dir_.File("single.docx"));
        EXPECT_EQ(ReadAllEntries(dir_.File("single.docx")), ReadAllEntries(dir_.File("parsed.docx")));
    }
}

TEST_F(TemplateReuse, AnUnfilledDocumentCopiesTheTemplateAndBothWaysRefuseAMissingBookmarkAlike) {
    const std::string path = dir_.File("template.docx");
    WriteDocx(path, WithStories(kCells));
    StampedDocument stamped(std::make_shared<const TemplateImage>(path));
    EXPECT_TRUE(stamped.HasBookmark("Z1000_001_03"));
    EXPECT_FALSE(stamped.HasBookmark("z1000_009_09"));
    std::string message;
    try {
        stamped.InsertBeforeBookmark("z1000_009_09", "1");
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "В документе нет закладки \"z1000_009_09\"");
    EXPECT_THROW(stamped.GoToBookmark("z1000_009_09"), Error);
    stamped.SaveAs(dir_.File("copy.docx"));
    EXPECT_TRUE(stamped.Saved());
    EXPECT_EQ(stamped.Path(), dir_.File("copy.docx"));
    const std::vector<RawEntry> original = ReadRawEntries(path);
    const std::vector<RawEntry> copy = ReadRawEntries(dir_.File("copy.docx"));
    ASSERT_EQ(copy.size(), original.size());
    for (std::size_t i = 0; i < copy.size(); ++i) {
        EXPECT_EQ(copy[i].compressed, original[i].compressed) << copy[i].name;
    }
}

TEST_F(TemplateReuse, TheCacheKeepsTheTemplateUntilItsFileChanges) {
    const std::string path = dir_.File("template.docx");
    WriteDocx(path, WithStories(kCells));
    word::docx::TemplateCache cache;
    const auto first = cache.Get(path);
    EXPECT_EQ(cache.Get(path), first);

    WriteDocx(path, OnlyDocument(DocumentXml("<w:p>" + Bookmark(1, "new") + "</w:p>")));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
    const auto second = cache.Get(path);
    EXPECT_NE(second, first);
    std::uint32_t last = word::docx::NameIndex::kMissing;
    EXPECT_NE(second->Find("new", last), nullptr);

    std::filesystem::remove(path);
    EXPECT_THROW(cache.Get(path), Error);
}

}  // namespace
}  // namespace tarnfold::testing
