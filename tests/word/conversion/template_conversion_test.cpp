// Moving .doc templates to .docx through a real LibreOffice: what is written,
// what is refused, what is left alone, and what the report says.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/error.h"
#include "documents.h"
#include "office_fixture.h"
#include "office_probe.h"
#include "package_builder.h"
#include "temp_dir.h"
#include "word/conversion/bookmark_comparison.h"
#include "word/conversion/conversion_command.h"
#include "word/conversion/libreoffice_conversion.h"
#include "wordml_reading.h"

namespace tarnfold::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;
using word::conversion::BookmarkComparison;
using word::conversion::CompareBookmarks;
using word::conversion::ConvertedName;
using word::conversion::RunTemplateConversion;
using word::conversion::TemplatesToConvert;

// A form with bookmarks in the header (a point and a range), the footer, the
// body and table cells (empty ones too, which LibreOffice writes twice).
const char* const kFormLayout = R"({
  "header": [{"text": "Отчёт ", "bookmark": "hdr_org"}, {"text": "за ", "bookmark": "hdr_period", "span": "период"}],
  "footer": [{"text": "Исполнитель ", "bookmark": "ftr_person"}],
  "body": ["Форма",
    {"text": "Итого ", "bookmark": "z0001_000_00"},
    {"table": [["Строка", {"text": "", "bookmark": "z1000_001_03"}, {"text": "", "bookmark": "z1000_001_04", "span": "0"}],
               ["Всего", {"text": "", "bookmark": "z1000_002_03"}, ""]]}]
})";
const std::vector<std::string> kFormBookmarks = {"hdr_org",      "hdr_period",   "ftr_person",  "z0001_000_00",
                                                 "z1000_001_03", "z1000_001_04", "z1000_002_03"};

const char* const kSmallLayout = R"({
  "body": [{"text": "Всего ", "bookmark": "Range_Total", "span": "сумма"},
           {"table": [[{"text": "", "bookmark": "z2000_001_01"}]]}]
})";
const std::vector<std::string> kSmallBookmarks = {"Range_Total", "z2000_001_01"};

// Two names that differ only in letter case: the office keeps both, a .docx
// reader that finds names as Word does sees one.
const char* const kCaseTwinsLayout = R"({
  "body": [{"text": "a ", "bookmark": "Dup"}, {"text": "b ", "bookmark": "DUP"}, {"text": "c ", "bookmark": "keep"}]
})";

const std::string kForm = "форма1";

std::set<std::string> FolderListing(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The bookmark names of every XML part of the word folder, read straight from
// the package by local names, part by part.
std::map<std::string, std::set<std::string>> BookmarksByPart(const std::string& docx) {
    std::map<std::string, std::set<std::string>> parts;
    for (const RawEntry& entry : ReadRawEntries(docx)) {
        if (entry.name.rfind("word/", 0) != 0 || !entry.name.ends_with(".xml")) continue;
        for (const std::string& mark : BookmarkMarks(ReadEntry(docx, entry.name))) {
            if (mark.rfind("start ", 0) != 0) continue;
            const std::size_t name = mark.find(' ', 6);
            if (name != std::string::npos) parts[entry.name].insert(mark.substr(name + 1));
        }
    }
    return parts;
}

std::set<std::string> AllBookmarks(const std::map<std::string, std::set<std::string>>& parts) {
    std::set<std::string> all;
    for (const auto& [part, names] : parts) all.insert(names.begin(), names.end());
    return all;
}

std::set<std::string> NamesInParts(const std::map<std::string, std::set<std::string>>& parts,
                                   const std::string& prefix) {
    std::set<std::string> names;
    for (const auto& [part, partNames] : parts) {
        if (part.rfind(prefix, 0) == 0) names.insert(partNames.begin(), partNames.end());
    }
    return names;
}

// An office that can never start: any case that reaches the office through it fails.
word::LibreOfficeOptions UnstartableOffice(const TempDir& dir) {
    word::LibreOfficeOptions options = OwnOfficeOptions("unstartable");
    options.sofficePath = dir.File("no-such-office");
    options.startDeadline = std::chrono::seconds(3);
    return options;
}

class TemplateConversionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        made_ = std::make_unique<TempDir>();
        MakeTemplates({{kFormLayout, made_->File(kForm + ".doc")},
                       {kSmallLayout, made_->File("f2.doc")},
                       {kCaseTwinsLayout, made_->File("dup.doc")}});
    }
    static void TearDownTestSuite() { made_.reset(); }

    static void CopyTemplate(const std::string& made, const fs::path& to) { fs::copy_file(made_->Path() / made, to); }

    static std::unique_ptr<TempDir> made_;
};

std::unique_ptr<TempDir> TemplateConversionTest::made_;

TEST_F(TemplateConversionTest, ConvertsBesideTheTemplatesKeepingEveryBookmarkAndRefusingLosses) {
    TempDir dir;
    CopyTemplate(kForm + ".doc", dir.Path() / (kForm + ".doc"));
    CopyTemplate("f2.doc", dir.Path() / "F2.DOC");
    CopyTemplate("dup.doc", dir.Path() / "dup.doc");
    CopyTemplate("f2.doc", dir.Path() / "skip.doc");
    WriteFile(dir.Path() / "skip.docx", "already converted by hand");
    WriteFile(dir.Path() / "notes.txt", "not a template");
    WriteFile(dir.Path() / ("~$" + kForm + ".doc"), "owner file of an open document");
    // A compound file with nothing behind its header: the office cannot read it.
    WriteFile(dir.Path() / "broken.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(2000, '\0'));
    // Plain text the office would read as a text document.
    WriteFile(dir.Path() / "plain.doc", "Форма 7: просто текст\r\n");
    const std::set<std::string> before = FolderListing(dir.Path());
    const std::string formBytes = ReadWholeFile(dir.File(kForm + ".doc"));

    std::ostringstream out;
    const int code = RunTemplateConversion(dir.Path().string(), "", SharedOffice(), out);

    EXPECT_EQ(code, 1) << out.str();
    // The refused and the failed copies are gone, the temporary names too.
    std::set<std::string> expected = before;
    expected.insert({kForm + ".docx", "F2.docx"});
    EXPECT_EQ(FolderListing(dir.Path()), expected);
    EXPECT_EQ(ReadWholeFile(dir.File("skip.docx")), "already converted by hand");
    EXPECT_EQ(ReadWholeFile(dir.File(kForm + ".doc")), formBytes);
    // Hundreds of templates go through one office: none may stay open in it.
    EXPECT_THAT(OfficeProbe(SharedOfficeOptions()).Documents(), IsEmpty());

    const auto form = BookmarksByPart(dir.File(kForm + ".docx"));
    EXPECT_THAT(AllBookmarks(form), UnorderedElementsAreArray(kFormBookmarks));
    EXPECT_THAT(NamesInParts(form, "word/header"), UnorderedElementsAreArray({"hdr_org", "hdr_period"}));
    EXPECT_THAT(NamesInParts(form, "word/footer"), UnorderedElementsAreArray({"ftr_person"}));
    EXPECT_THAT(AllBookmarks(BookmarksByPart(dir.File("F2.docx"))), UnorderedElementsAreArray(kSmallBookmarks));

    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 9u) << out.str();
    EXPECT_THAT(lines[0], HasSubstr(dir.Path().string()));
    EXPECT_EQ(lines[1], "F2.DOC → F2.docx: закладок 2, все закладки сохранены");
    EXPECT_EQ(lines[2], "broken.doc: ошибка: Шаблон " + dir.File("broken.doc") + " не является документом Word");
    EXPECT_EQ(lines[3], "dup.doc: закладок 3, в .docx 2; dup.docx не записан, потеряны закладки: DUP");
    EXPECT_EQ(lines[4], "plain.doc: ошибка: Шаблон " + dir.File("plain.doc") + " не является документом Word");
    EXPECT_EQ(lines[5], "skip.doc: пропущен, skip.docx уже есть");
    EXPECT_EQ(lines[6], kForm + ".doc → " + kForm + ".docx: закладок " + std::to_string(kFormBookmarks.size()) +
                            ", все закладки сохранены");
    EXPECT_EQ(lines[7], "Шаблонов: 6; преобразовано: 2, пропущено: 1, отказано: 1, ошибок: 2");
    EXPECT_THAT(lines[8], HasSubstr("только там, где рядом с ним нет шаблона .doc с тем же именем"));
}

TEST_F(TemplateConversionTest, ConvertsIntoAnotherFolderOnceAndSkipsOnTheSecondRun) {
    TempDir dir;
    const fs::path source = dir.Path() / "templates";
    const fs::path target = dir.Path() / "new" / "docx";
    fs::create_directories(source);
    CopyTemplate(kForm + ".doc", source / (kForm + ".doc"));
    CopyTemplate("f2.doc", source / "f2.doc");
    const std::set<std::string> sourceBefore = FolderListing(source);

    std::ostringstream first;
    EXPECT_EQ(RunTemplateConversion(source.string(), target.string(), SharedOffice(), first), 0) << first.str();
    EXPECT_EQ(FolderListing(source), sourceBefore);
    EXPECT_EQ(FolderListing(target), (std::set<std::string>{kForm + ".docx", "f2.docx"}));
    EXPECT_THAT(AllBookmarks(BookmarksByPart((target / (kForm + ".docx")).string())),
                UnorderedElementsAreArray(kFormBookmarks));
    EXPECT_THAT(first.str(), HasSubstr("Шаблонов: 2; преобразовано: 2, пропущено: 0, отказано: 0, ошибок: 0"));

    const std::string written = ReadWholeFile((target / "f2.docx").string());
    std::ostringstream second;
    EXPECT_EQ(RunTemplateConversion(source.string(), target.string(), SharedOffice(), second), 0) << second.str();
    EXPECT_THAT(second.str(), HasSubstr("f2.doc: пропущен, f2.docx уже есть"));
    EXPECT_THAT(second.str(), HasSubstr("Шаблонов: 2; преобразовано: 0, пропущено: 2, отказано: 0, ошибок: 0"));
    EXPECT_EQ(ReadWholeFile((target / "f2.docx").string()), written);
}

TEST(TemplateConversionFolders, MissingEmptyOrUnusableFoldersEndWithCodeTwoWithoutTheOffice) {
    TempDir dir;
    word::LibreOfficeServer office(UnstartableOffice(dir));

    std::ostringstream missing;
    EXPECT_EQ(RunTemplateConversion(dir.File("absent"), "", office, missing), 2);
    EXPECT_EQ(missing.str(), "Папка шаблонов не найдена: " + dir.File("absent") + "\n");

    WriteFile(dir.Path() / "form.docx", "");
    WriteFile(dir.Path() / "form.doc.bak", "");
    std::ostringstream empty;
    EXPECT_EQ(RunTemplateConversion(dir.Path().string(), "", office, empty), 2);
    EXPECT_EQ(empty.str(), "В папке " + dir.Path().string() + " нет шаблонов .doc\n");

    WriteFile(dir.Path() / "form.doc", "");
    std::ostringstream blocked;
    EXPECT_EQ(RunTemplateConversion(dir.Path().string(), dir.File("form.docx"), office, blocked), 2);
    EXPECT_THAT(blocked.str(), HasSubstr("Не удалось создать папку " + dir.File("form.docx")));
}

TEST(TemplateConversionFolders, AnOfficeThatCannotStartFailsTheWholeRunAndWritesNothing) {
    TempDir dir;
    const fs::path templates = dir.Path() / "templates";
    fs::create_directories(templates);
    WriteFile(templates / "form.doc", "any");
    word::LibreOfficeServer office(UnstartableOffice(dir));

    std::ostringstream out;
    EXPECT_THROW(RunTemplateConversion(templates.string(), "", office, out), Error);
    EXPECT_EQ(FolderListing(templates), (std::set<std::string>{"form.doc"}));
}

TEST(TemplateConversionFolders, ListsDocFilesInAnyCaseSortedAndNothingElse) {
    TempDir dir;
    for (const char* name : {"b.doc", "A.DOC", "c.Doc", "d.docx", "e.dot", "f.doc.bak", "~$b.doc", "notes"})
        WriteFile(dir.Path() / name, "x");
    fs::create_directories(dir.Path() / "folder.doc");

    EXPECT_THAT(TemplatesToConvert(dir.Path().string()),
                ElementsAre(dir.File("A.DOC"), dir.File("b.doc"), dir.File("c.Doc")));
    EXPECT_THROW(TemplatesToConvert(dir.File("absent")), Error);
}

TEST(TemplateConversionFolders, TheConvertedNameReplacesOnlyTheLastExtension) {
    EXPECT_EQ(ConvertedName("/t/F2.DOC", "/out"), "/out/F2.docx");
    EXPECT_EQ(ConvertedName("/t/form.v2.doc", "/out/"), "/out/form.v2.docx");
    EXPECT_EQ(ConvertedName("/t/форма.doc", "/t"), "/t/форма.docx");
}

TEST(BookmarkComparisonRules, SameNamesInAnyOrderSurvive) {
    const BookmarkComparison same = CompareBookmarks({"a", "B", "z1000_001_03"}, {"z1000_001_03", "a", "B"});
    EXPECT_TRUE(same.Survived());
    EXPECT_THAT(same.lost, IsEmpty());
    EXPECT_THAT(same.added, IsEmpty());
    EXPECT_TRUE(CompareBookmarks({}, {}).Survived());
}

TEST(BookmarkComparisonRules, LostChangedAndAddedNamesAreRefusedAndNamed) {
    // A name cut short to Word's length limit is a lost name and an added one.
    const BookmarkComparison cut = CompareBookmarks({"keep", "Long_name_over_forty_characters_abcdefghijkl", "x"},
                                                    {"keep", "Long_name_over_forty_characters_abcdefgh", "x"});
    EXPECT_FALSE(cut.Survived());
    EXPECT_THAT(cut.lost, ElementsAre("Long_name_over_forty_characters_abcdefghijkl"));
    EXPECT_THAT(cut.added, ElementsAre("Long_name_over_forty_characters_abcdefgh"));

    const BookmarkComparison recased = CompareBookmarks({"Total"}, {"TOTAL"});
    EXPECT_FALSE(recased.Survived());
    EXPECT_THAT(recased.lost, ElementsAre("Total"));

    const BookmarkComparison dropped = CompareBookmarks({"a", "b", "c"}, {"c", "a"});
    EXPECT_FALSE(dropped.Survived());
    EXPECT_THAT(dropped.lost, ElementsAre("b"));
    EXPECT_THAT(dropped.added, IsEmpty());
    EXPECT_EQ(dropped.originalCount, 3u);
    EXPECT_EQ(dropped.convertedCount, 2u);

    EXPECT_FALSE(CompareBookmarks({"a"}, {"a", "extra"}).Survived());
}

TEST(BookmarkComparisonRules, ACountThatDiffersIsRefusedEvenWhenEveryNameIsThere) {
    const BookmarkComparison twice = CompareBookmarks({"a", "a"}, {"a"});
    EXPECT_FALSE(twice.Survived());
    EXPECT_THAT(twice.lost, IsEmpty());
    EXPECT_THAT(twice.added, IsEmpty());
}

}  // namespace
}  // namespace tarnfold::testing
