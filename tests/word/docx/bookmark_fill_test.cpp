// Filling hand-made packages: where the text lands, which formatting it takes,
// and that the rest of the markup stays as it was.

#include "package_builder.h"
#include "wordml_reading.h"

#include "core/error.h"
#include "core/text.h"
#include "temp_dir.h"
#include "word/docx/docx_package.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tarnfold::testing {
namespace {

using ::testing::ElementsAre;
using word::docx::DocxPackage;

class BookmarkFill : public ::testing::Test {
protected:
    std::string Template(const std::string& body) { return Template(OnlyDocument(DocumentXml(body))); }
    std::string Template(const MiniDocx& docx) {
        const std::string path = dir_.File("template.docx");
        WriteDocx(path, docx);
        return path;
    }
    // Saves under a new name and returns the main part as written.
    std::string SavedDocument(DocxPackage& doc) {
        const std::string out = dir_.File("out.docx");
        doc.SaveAs(out);
        return ReadEntry(out, "word/document.xml");
    }
    std::string Out() const { return dir_.File("out.docx"); }

    TempDir dir_;
};

TEST_F(BookmarkFill, InsertsInFrontOfAPointBookmarkWithTheFormattingOfTheRunBefore) {
    DocxPackage doc(Template(R"(<w:p><w:r><w:rPr><w:b/><w:sz w:val="20"/></w:rPr><w:t>Итого:</w:t></w:r>)"
                             R"(<w:bookmarkStart w:id="0" w:name="z1000_001_01"/><w:bookmarkEnd w:id="0"/>)"
                             R"(<w:r><w:rPr><w:i/></w:rPr><w:t>шт.</w:t></w:r></w:p>)"));
    ASSERT_TRUE(doc.HasBookmark("z1000_001_01"));
    doc.InsertBeforeBookmark("z1000_001_01", "42,5");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("Итого:42,5шт."));
    EXPECT_THAT(BookmarkMarks(xml), ElementsAre("start 0 z1000_001_01", "end 0"));
    const pugi::xml_document parsed = ParsePart(xml);
    const pugi::xml_node run = RunWithText(parsed, "42,5");
    ASSERT_TRUE(run);
    EXPECT_THAT(PropertyNames(run), ElementsAre("b", "sz"));
    EXPECT_STREQ(run.next_sibling().name(), "w:bookmarkStart") << "the text stands in front of the bookmark";
}

TEST_F(BookmarkFill, FindsNamesWithoutRegardToLetterCaseAsWordDoes) {
    DocxPackage doc(
        Template(R"(<w:p><w:bookmarkStart w:id="0" w:name="Итог_Строки"/><w:bookmarkEnd w:id="0"/></w:p>)"
                 R"(<w:p><w:bookmarkStart w:id="1" w:name="z1000_001_01"/><w:bookmarkEnd w:id="1"/></w:p>)"));
    EXPECT_TRUE(doc.HasBookmark("ИТОГ_строки"));
    EXPECT_TRUE(doc.HasBookmark("Z1000_001_01"));
    EXPECT_FALSE(doc.HasBookmark("z1000_001_02"));
    EXPECT_FALSE(doc.HasBookmark(""));
    EXPECT_EQ(doc.BookmarkCount(), 2u);
    doc.InsertBeforeBookmark("итог_СТРОКИ", "7");
    EXPECT_THAT(ParagraphTexts(SavedDocument(doc)), ElementsAre("7", ""));
}

// What a template check reads: every spelling, also the one the look-up does
// not find; the lone start LibreOffice writes before an empty cell's whole
// bookmark is not one of its own, a lone start with no twin is.
TEST_F(BookmarkFill, SpellingsListEveryBookmarkAsWritten) {
    DocxPackage doc(Template(R"(<w:p><w:bookmarkStart w:id="0" w:name="z1000_001_01"/>)"
                             R"(<w:bookmarkStart w:id="1" w:name="z1000_001_01"/><w:bookmarkEnd w:id="1"/></w:p>)"
                             R"(<w:p><w:bookmarkStart w:id="2" w:name="Z1000_001_01"/><w:bookmarkEnd w:id="2"/></w:p>)"
                             R"(<w:p><w:bookmarkStart w:id="3" w:name="итог"/></w:p>)"));
    EXPECT_THAT(doc.BookmarkSpellings(), ElementsAre("z1000_001_01", "Z1000_001_01", "итог"));
    EXPECT_THAT(doc.BookmarkNames(), ElementsAre("z1000_001_01", "итог"));
}

TEST_F(BookmarkFill, AMissingBookmarkIsAnErrorNamingIt) {
    DocxPackage doc(Template(R"(<w:p><w:r><w:t>x</w:t></w:r></w:p>)"));
    for (auto call :
         {+[](DocxPackage& d) { d.InsertBeforeBookmark("z9", "1"); },
          +[](DocxPackage& d) { d.TypeAtBookmark("z9", "1"); }, +[](DocxPackage& d) { d.GoToBookmark("z9"); }}) {
        try {
            call(doc);
            ADD_FAILURE() << "no error for a missing bookmark";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "В документе нет закладки \"z9\"");
        }
    }
}

TEST_F(BookmarkFill, CellAndRowLevelBookmarksFillTheFirstParagraphTheyOpen) {
    DocxPackage doc(
        Template(R"(<w:tbl><w:tr><w:bookmarkStart w:id="1" w:name="row"/>)"
                 R"(<w:tc><w:p><w:pPr><w:jc w:val="right"/><w:rPr><w:u w:val="single"/></w:rPr></w:pPr></w:p></w:tc>)"
                 R"(<w:tc><w:bookmarkStart w:id="2" w:name="cell"/><w:p><w:pPr><w:jc w:val="left"/></w:pPr>)"
                 R"(<w:r><w:rPr><w:i/></w:rPr><w:t>ед.</w:t></w:r></w:p><w:bookmarkEnd w:id="2"/></w:tc>)"
                 R"(<w:bookmarkEnd w:id="1"/></w:tr></w:tbl><w:p/>)"));
    doc.InsertBeforeBookmark("row", "10");
    doc.InsertBeforeBookmark("cell", "20");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("10", "20ед.", ""));
    EXPECT_THAT(BookmarkMarks(xml), ElementsAre("start 1 row", "start 2 cell", "end 2", "end 1"));
    const pugi::xml_document parsed = ParsePart(xml);
    // No run in the paragraph: the paragraph mark's formatting.
    EXPECT_THAT(PropertyNames(RunWithText(parsed, "10")), ElementsAre("u"));
    // No run before: the run after it.
    EXPECT_THAT(PropertyNames(RunWithText(parsed, "20")), ElementsAre("i"));
    EXPECT_STREQ(RunWithText(parsed, "10").previous_sibling().name(), "w:pPr");
}

TEST_F(BookmarkFill, BookmarksInsideHyperlinksAndContentControlsStayInside) {
    DocxPackage doc(Template(
        R"(<w:p><w:hyperlink r:id="rIdX"><w:r><w:rPr><w:rStyle w:val="Hyperlink"/></w:rPr><w:t>ссылка</w:t></w:r>)"
        R"(<w:bookmarkStart w:id="1" w:name="link"/><w:bookmarkEnd w:id="1"/></w:hyperlink></w:p>)"
        R"(<w:p><w:sdt><w:sdtPr><w:alias w:val="Поле"/></w:sdtPr><w:sdtContent>)"
        R"(<w:bookmarkStart w:id="2" w:name="inline"/><w:bookmarkEnd w:id="2"/></w:sdtContent></w:sdt></w:p>)"
        R"(<w:sdt><w:sdtPr/><w:sdtContent><w:bookmarkStart w:id="3" w:name="block"/>)"
        R"(<w:p><w:r><w:t>блок</w:t></w:r></w:p><w:bookmarkEnd w:id="3"/></w:sdtContent></w:sdt>)"));
    doc.InsertBeforeBookmark("link", "1");
    doc.InsertBeforeBookmark("inline", "2");
    doc.InsertBeforeBookmark("block", "3");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("ссылка1", "2", "3блок"));
    const pugi::xml_document parsed = ParsePart(xml);
    EXPECT_STREQ(RunWithText(parsed, "1").parent().name(), "w:hyperlink");
    EXPECT_THAT(PropertyNames(RunWithText(parsed, "1")), ElementsAre("rStyle"));
    EXPECT_STREQ(RunWithText(parsed, "2").parent().name(), "w:sdtContent");
    EXPECT_STREQ(RunWithText(parsed, "3").parent().name(), "w:p");
    EXPECT_THAT(BookmarkMarks(xml),
                ElementsAre("start 1 link", "end 1", "start 2 inline", "end 2", "start 3 block", "end 3"));
}

TEST_F(BookmarkFill, SplitRunsAndProofingMarksGiveTheFormattingOfTheNearestRun) {
    DocxPackage doc(
        Template(R"(<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Зна</w:t></w:r><w:proofErr w:type="spellStart"/>)"
                 R"(<w:r><w:rPr><w:i/></w:rPr><w:t>чение</w:t></w:r><w:proofErr w:type="spellEnd"/>)"
                 R"(<w:bookmarkStart w:id="4" w:name="v"/><w:bookmarkEnd w:id="4"/>)"
                 R"(<w:proofErr w:type="gramStart"/><w:r><w:rPr><w:u/></w:rPr><w:t>хвост</w:t></w:r></w:p>)"));
    doc.InsertBeforeBookmark("v", "5");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("Значение5хвост"));
    EXPECT_THAT(PropertyNames(RunWithText(ParsePart(xml), "5")), ElementsAre("i"));
}

TEST_F(BookmarkFill, TrackedChangeIdsAreNeverCopiedAndDeletedTextIsNotJoined) {
    DocxPackage doc(
        Template(R"(<w:p><w:pPr><w:rPr><w:ins w:id="11" w:author="a" w:date="2020-01-01T00:00:00Z"/></w:rPr></w:pPr>)"
                 R"(<w:ins w:id="12" w:author="a"><w:r><w:rPr><w:b/><w:ins w:id="13" w:author="a"/>)"
                 R"(<w:rPrChange w:id="14" w:author="a"><w:rPr/></w:rPrChange></w:rPr><w:t>новое</w:t></w:r></w:ins>)"
                 R"(<w:bookmarkStart w:id="1" w:name="after_ins"/><w:bookmarkEnd w:id="1"/></w:p>)"
                 R"(<w:p><w:del w:id="15" w:author="a"><w:r><w:delText>старое</w:delText></w:r>)"
                 R"(<w:bookmarkStart w:id="2" w:name="in_del"/><w:bookmarkEnd w:id="2"/></w:del></w:p>)"
                 R"(<w:p><w:pPr><w:rPr><w:del w:id="16" w:author="a"/><w:sz w:val="18"/></w:rPr></w:pPr>)"
                 R"(<w:bookmarkStart w:id="3" w:name="mark_only"/><w:bookmarkEnd w:id="3"/></w:p>)"));
    doc.InsertBeforeBookmark("after_ins", "1");
    doc.InsertBeforeBookmark("in_del", "2");
    doc.InsertBeforeBookmark("mark_only", "3");
    const std::string xml = SavedDocument(doc);
    std::vector<std::string> ids;
    for (const char* element : {"ins", "del", "rPrChange", "moveFrom", "moveTo"}) {
        const std::vector<std::string> some = AttributeValues(xml, element, "id");
        ids.insert(ids.end(), some.begin(), some.end());
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_THAT(ids, ElementsAre("11", "12", "13", "14", "15", "16")) << "change marks neither copied nor lost";
    const pugi::xml_document parsed = ParsePart(xml);
    EXPECT_THAT(PropertyNames(RunWithText(parsed, "1")), ElementsAre("b"));
    EXPECT_STREQ(RunWithText(parsed, "2").parent().name(), "w:p") << "not inside the deletion";
    EXPECT_STREQ(RunWithText(parsed, "2").next_sibling().name(), "w:del");
    EXPECT_THAT(PropertyNames(RunWithText(parsed, "3")), ElementsAre("sz"));
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("новое1", "2", "3"));
}

TEST_F(BookmarkFill, TheFirstStartWinsWhereANameOccursTwice) {
    // LibreOffice writes the start of a bookmark in an empty paragraph twice.
    DocxPackage doc(Template(R"(<w:p><w:r><w:rPr/></w:r><w:bookmarkStart w:id="0" w:name="z1000_001_03"/>)"
                             R"(<w:r><w:t>середина</w:t></w:r>)"
                             R"(<w:bookmarkStart w:id="1" w:name="z1000_001_03"/><w:bookmarkEnd w:id="1"/></w:p>)"));
    EXPECT_EQ(doc.BookmarkCount(), 1u);
    doc.InsertBeforeBookmark("z1000_001_03", "9");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("9середина"));
    EXPECT_THAT(BookmarkMarks(xml), ElementsAre("start 0 z1000_001_03", "start 1 z1000_001_03", "end 1"));
}

TEST_F(BookmarkFill, AnyPrefixOfTheMainNamespaceIsReadAndKept) {
    const std::string body = R"(<ns0:p><ns0:r><ns0:rPr><ns0:b/></ns0:rPr><ns0:t>a</ns0:t></ns0:r>)"
                             R"(<ns0:bookmarkStart ns0:id="0" ns0:name="x"/><ns0:bookmarkEnd ns0:id="0"/></ns0:p>)";
    {
        DocxPackage doc(Template(OnlyDocument(DocumentXml(body, "ns0"))));
        ASSERT_TRUE(doc.HasBookmark("x"));
        doc.InsertBeforeBookmark("x", "1");
        const std::string xml = SavedDocument(doc);
        EXPECT_THAT(ParagraphTexts(xml), ElementsAre("a1"));
        const pugi::xml_document parsed = ParsePart(xml);
        EXPECT_STREQ(RunWithText(parsed, "1").name(), "ns0:r");
        EXPECT_STREQ(RunWithText(parsed, "1").first_child().first_child().name(), "ns0:b");
        EXPECT_EQ(xml.find("<w:"), std::string::npos) << "no element under an unbound prefix";
    }
    {
        // The main namespace as the default one, attributes through a second prefix.
        const std::string document =
            R"(<?xml version="1.0" encoding="UTF-8"?><document xmlns=")" + std::string(kWordNamespace) +
            R"(" xmlns:q=")" + std::string(kWordNamespace) +
            R"("><body><p><bookmarkStart q:id="0" q:name="Y"/><bookmarkEnd q:id="0"/></p></body></document>)";
        DocxPackage doc(Template(OnlyDocument(document)));
        ASSERT_TRUE(doc.HasBookmark("y"));
        doc.InsertBeforeBookmark("Y", "2");
        const std::string xml = SavedDocument(doc);
        EXPECT_THAT(ParagraphTexts(xml), ElementsAre("2"));
        EXPECT_STREQ(RunWithText(ParsePart(xml), "2").name(), "r");
    }
}

std::string Utf16LittleEndian(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : Utf8ToUtf16(utf8)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Latin1(const std::string& utf8) {
    std::string bytes;
    for (char16_t c : Utf8ToUtf16(utf8)) {
        bytes += static_cast<char>(c < 0x100 ? c : '?');
    }
    return bytes;
}

TEST_F(BookmarkFill, APartInAnotherEncodingIsReadAsDeclaredAndWrittenBackInUtf8) {
    const struct {
        std::string declared;
        std::string (*encode)(const std::string&);
        std::string text;  // as the part holds it
        std::string read;  // as it reads
    } cases[] = {
        {"UTF-16", Utf16LittleEndian, "Всего (total):", "Всего (total):"},
        {"ISO-8859-1", Latin1, "Größe &#x412;:", "Größe В:"},
        {"latin1", Latin1, "Café", "Café"},
        {"windows-1251", [](const std::string& t) { return Utf8ToCp1251(t); }, "Всего (total):", "Всего (total):"},
        {"CP1251", [](const std::string& t) { return Utf8ToCp1251(t); }, "Итого ё", "Итого ё"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.declared);
        std::string xml = DocumentXml(R"(<w:p><w:r><w:t xml:space="preserve">)" + c.text +
                                      R"(</w:t></w:r><w:bookmarkStart w:id="0" w:name="v"/></w:p>)");
        xml.replace(xml.find("UTF-8"), 5, c.declared);
        DocxPackage doc(Template(OnlyDocument(c.encode(xml))));
        doc.InsertBeforeBookmark("v", "12 шт.");
        const std::string written = SavedDocument(doc);
        EXPECT_EQ(written.rfind(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)", 0), 0u)
            << written.substr(0, 60);
        EXPECT_EQ(Utf8ToUtf16(written).find(u'\uFFFD'), std::u16string::npos) << "not UTF-8 throughout";
        EXPECT_THAT(ParagraphTexts(written), ElementsAre(c.read + "12 шт."));
    }
}

TEST_F(BookmarkFill, BlanksTabsBreaksAndCharactersXmlCannotHold) {
    DocxPackage doc(Template(R"(<w:p><w:bookmarkStart w:id="0" w:name="a"/><w:bookmarkEnd w:id="0"/></w:p>)"
                             R"(<w:p><w:bookmarkStart w:id="1" w:name="b"/><w:bookmarkEnd w:id="1"/></w:p>)"
                             R"(<w:p><w:bookmarkStart w:id="2" w:name="c"/><w:bookmarkEnd w:id="2"/></w:p>)"));
    doc.InsertBeforeBookmark("a", " 1  2 ");
    doc.InsertBeforeBookmark("b", "x\ty\r\nz\x01<&>\"");
    doc.InsertBeforeBookmark("c", "\x02\x1f");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre(" 1  2 ", "x\ty\nz<&>\"", ""));
    EXPECT_NE(xml.find(R"(<w:t xml:space="preserve"> 1  2 </w:t>)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<w:t>x</w:t><w:tab/><w:t>y</w:t><w:br/><w:t>z&lt;&amp;&gt;"</w:t>)"), std::string::npos);
    EXPECT_EQ(xml.find('\x01'), std::string::npos);
    EXPECT_EQ(AttributeValues(xml, "r", "").size(), 2u) << "a text that leaves nothing adds no run";
}

TEST_F(BookmarkFill, TypingReplacesTheTextARangeBookmarkSpansAndKeepsTheBookmark) {
    DocxPackage doc(Template(
        R"(<w:p><w:r><w:t xml:space="preserve">Год: </w:t></w:r><w:bookmarkStart w:id="5" w:name="z0001_000_00"/>)"
        R"(<w:r><w:rPr><w:u/></w:rPr><w:t>__</w:t></w:r><w:proofErr w:type="spellStart"/>)"
        R"(<w:r><w:rPr><w:b/></w:rPr><w:t>__</w:t></w:r><w:proofErr w:type="spellEnd"/>)"
        R"(<w:bookmarkEnd w:id="5"/><w:r><w:t xml:space="preserve"> г.</w:t></w:r></w:p>)"
        R"(<w:p><w:r><w:t>Точка:</w:t></w:r><w:bookmarkStart w:id="6" w:name="z0002_000_00"/>)"
        R"(<w:bookmarkEnd w:id="6"/><w:r><w:t>.</w:t></w:r></w:p>)"));
    doc.TypeAtBookmark("z0001_000_00", "2023");
    doc.TypeAtBookmark("z0002_000_00", "Больница");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("Год: 2023 г.", "Точка:Больница."));
    EXPECT_THAT(BookmarkMarks(xml), ElementsAre("start 5 z0001_000_00", "end 5", "start 6 z0002_000_00", "end 6"));
    const pugi::xml_document parsed = ParsePart(xml);
    const pugi::xml_node year = RunWithText(parsed, "2023");
    EXPECT_STREQ(year.previous_sibling().name(), "w:bookmarkStart") << "the typed text is inside the range";
    EXPECT_THAT(PropertyNames(year), ElementsAre("u")) << "typing over a selection takes its first formatting";
    EXPECT_STREQ(RunWithText(parsed, "Больница").previous_sibling().name(), "w:bookmarkEnd")
        << "a point stays in front of the typed text";
}

TEST_F(BookmarkFill, TypingKeepsTheMarksOfFieldsAndOtherBookmarksInsideTheRange) {
    DocxPackage doc(
        Template(R"(<w:p><w:bookmarkStart w:id="1" w:name="outer"/><w:r><w:t>старый</w:t></w:r>)"
                 R"(<w:bookmarkStart w:id="2" w:name="inner"/><w:r><w:t>текст</w:t></w:r><w:bookmarkEnd w:id="2"/>)"
                 R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>)"
                 R"(<w:r><w:fldChar w:fldCharType="end"/></w:r><w:bookmarkEnd w:id="1"/></w:p>)"));
    doc.TypeAtBookmark("outer", "новый");
    doc.InsertBeforeBookmark("inner", "+");
    const std::string xml = SavedDocument(doc);
    EXPECT_THAT(ParagraphTexts(xml), ElementsAre("новый+"));
    EXPECT_THAT(BookmarkMarks(xml), ElementsAre("start 1 outer", "start 2 inner", "end 2", "end 1"));
    EXPECT_EQ(AttributeValues(xml, "fldChar", "fldCharType"), (std::vector<std::string>{"begin", "end"}));
    EXPECT_EQ(AttributeValues(xml, "instrText", "").size(), 1u);
}

TEST_F(BookmarkFill, HeadersAndFootersAreIndexedAfterTheBody) {
    MiniDocx docx;
    docx.document = DocumentXml(R"(<w:p><w:bookmarkStart w:id="0" w:name="dup"/><w:bookmarkEnd w:id="0"/></w:p>)");
    docx.headers.push_back(StoryXml(
        "hdr",
        R"(<w:p><w:r><w:t xml:space="preserve">Год: </w:t></w:r><w:bookmarkStart w:id="7" w:name="z0001_000_00"/>)"
        R"(<w:r><w:t>____</w:t></w:r><w:bookmarkEnd w:id="7"/><w:r><w:t xml:space="preserve"> г.</w:t></w:r></w:p>)"));
    docx.footers.push_back(
        StoryXml("ftr", R"(<w:p><w:bookmarkStart w:id="8" w:name="dup"/><w:bookmarkEnd w:id="8"/>)"
                        R"(<w:bookmarkStart w:id="9" w:name="z0003_000_00"/><w:bookmarkEnd w:id="9"/></w:p>)"));
    DocxPackage doc(Template(docx));
    EXPECT_EQ(doc.BookmarkCount(), 3u);
    doc.TypeAtBookmark("z0001_000_00", "2024");
    doc.TypeAtBookmark("z0003_000_00", "I квартал");
    doc.InsertBeforeBookmark("dup", "тело");
    doc.SaveAs(Out());
    EXPECT_THAT(ParagraphTexts(ReadEntry(Out(), "word/header1.xml")), ElementsAre("Год: 2024 г."));
    EXPECT_THAT(ParagraphTexts(ReadEntry(Out(), "word/footer1.xml")), ElementsAre("I квартал"));
    EXPECT_THAT(ParagraphTexts(ReadEntry(Out(), "word/document.xml")), ElementsAre("тело"));
    EXPECT_THAT(BookmarkMarks(ReadEntry(Out(), "word/header1.xml")), ElementsAre("start 7 z0001_000_00", "end 7"));
}

TEST_F(BookmarkFill, ABookmarkAfterTheLastParagraphFillsTheEndOfThatParagraph) {
    DocxPackage doc(Template(R"(<w:p><w:r><w:t>конец</w:t></w:r></w:p>)"
                             R"(<w:bookmarkStart w:id="0" w:name="tail"/><w:bookmarkEnd w:id="0"/>)"));
    doc.InsertBeforeBookmark("tail", "!");
    EXPECT_THAT(ParagraphTexts(SavedDocument(doc)), ElementsAre("конец!"));

    DocxPackage empty(Template(R"(<w:bookmarkStart w:id="0" w:name="alone"/><w:bookmarkEnd w:id="0"/>)"));
    EXPECT_THROW(empty.InsertBeforeBookmark("alone", "1"), Error);
}

TEST_F(BookmarkFill, ManyFiguresKeepEveryMarkAndIdUnique) {
    std::string body;
    for (int i = 0; i < 300; ++i) {
        const std::string id = std::to_string(i);
        body += R"(<w:p><w:r><w:rPr><w:ins w:id="9)" + id +
                R"(" w:author="a"/></w:rPr><w:t>c</w:t></w:r>)"
                R"(<w:bookmarkStart w:id=")" +
                id + R"(" w:name="z1000_)" + id + R"(_01"/><w:bookmarkEnd w:id=")" + id + R"("/></w:p>)";
    }
    const std::string path = Template(body);
    const std::vector<std::string> before = BookmarkMarks(ReadEntry(path, "word/document.xml"));
    DocxPackage doc(path);
    for (int i = 0; i < 300; ++i) {
        doc.InsertBeforeBookmark("z1000_" + std::to_string(i) + "_01", std::to_string(i * 2));
    }
    const std::string xml = SavedDocument(doc);
    EXPECT_EQ(BookmarkMarks(xml), before);
    const std::vector<std::string> ids = AttributeValues(xml, "ins", "id");
    EXPECT_EQ(ids.size(), 300u);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    const std::vector<std::string> texts = ParagraphTexts(xml);
    ASSERT_EQ(texts.size(), 300u);
    EXPECT_EQ(texts[0], "c0");
    EXPECT_EQ(texts[299], "c598");
}

}  // namespace
}  // namespace tarnfold::testing
