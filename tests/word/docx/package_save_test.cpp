// Opening and saving packages: what is copied as it was, what the user is told
// when a file is not a usable document, and that a failed save leaves no
// half-written file.

#include "package_builder.h"
#include "wordml_reading.h"

#include "core/error.h"
#include "temp_dir.h"
#include "word/docx/docx_package.h"
#include "word/docx/zip_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

namespace tarnfold::testing {
namespace {

using ::testing::ElementsAre;
using word::docx::DocxPackage;
namespace fs = std::filesystem;

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> FolderListing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ErrorText(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

MiniDocx FormWithHeader() {
    MiniDocx docx;
    docx.document =
        DocumentXml(R"(<w:p><w:bookmarkStart w:id="0" w:name="z1000_001_01"/><w:bookmarkEnd w:id="0"/></w:p>)");
    docx.headers.push_back(
        StoryXml("hdr", R"(<w:p><w:bookmarkStart w:id="1" w:name="z0001_000_00"/><w:bookmarkEnd w:id="1"/></w:p>)"));
    docx.footers.push_back(StoryXml("ftr", R"(<w:p><w:r><w:t>подвал</w:t></w:r></w:p>)"));
    return docx;
}

class PackageSave : public ::testing::Test {
protected:
    std::string Template(const MiniDocx& docx = FormWithHeader()) {
        WriteDocx(dir_.File("template.docx"), docx);
        return dir_.File("template.docx");
    }
    TempDir dir_;
};

TEST_F(PackageSave, OnlyChangedPartsAreRewrittenAndEveryOtherEntryKeepsItsBytes) {
    const std::string path = Template();
    const std::vector<RawEntry> before = ReadRawEntries(path);
    DocxPackage doc(path);
    doc.TypeAtBookmark("z0001_000_00", "2024");
    doc.SaveAs(dir_.File("out.docx"));
    const std::vector<RawEntry> after = ReadRawEntries(dir_.File("out.docx"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].name);
        EXPECT_EQ(after[i].name, before[i].name) << "entries keep their order";
        if (before[i].name == "word/header1.xml") {
            EXPECT_NE(after[i].compressed, before[i].compressed);
            continue;
        }
        EXPECT_EQ(after[i].method, before[i].method);
        EXPECT_EQ(after[i].crc, before[i].crc);
        EXPECT_TRUE(after[i].compressed == before[i].compressed) << "raw bytes differ";
    }
    EXPECT_THAT(ParagraphTexts(ReadEntry(dir_.File("out.docx"), "word/header1.xml")), ElementsAre("2024"));
}

TEST_F(PackageSave, AnUnchangedDocumentIsCopiedEntryForEntry) {
    const std::string path = Template();
    DocxPackage doc(path);
    doc.InsertBeforeBookmark("z1000_001_01", "");
    doc.SaveAs(dir_.File("copy.docx"));
    const std::vector<RawEntry> before = ReadRawEntries(path);
    const std::vector<RawEntry> after = ReadRawEntries(dir_.File("copy.docx"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(after[i].name == before[i].name && after[i].compressed == before[i].compressed) << before[i].name;
    }
}

TEST_F(PackageSave, SaveAsLeavesTheTemplateAndSaveWritesTheNewFile) {
    const std::string path = Template();
    const std::string original = FileBytes(path);
    const fs::path reports = dir_.Path() / "Reports";
    fs::create_directory(reports);
    const std::string out = (reports / "Форма 7 (2023).docx").string();

    DocxPackage doc(path);
    EXPECT_EQ(doc.Path(), path);
    EXPECT_FALSE(doc.Saved());
    doc.SaveAs(out);
    EXPECT_EQ(doc.Path(), out);
    EXPECT_TRUE(doc.Saved());
    doc.InsertBeforeBookmark("z1000_001_01", "15");
    EXPECT_THAT(ParagraphTexts(ReadEntry(out, "word/document.xml")), ElementsAre("")) << "not saved yet";
    doc.Save();
    EXPECT_THAT(ParagraphTexts(ReadEntry(out, "word/document.xml")), ElementsAre("15"));
    EXPECT_EQ(FileBytes(path), original);
    EXPECT_THAT(FolderListing(reports), ElementsAre("Форма 7 (2023).docx")) << "no temporary file left";

    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "an ordinary file, as any program creates one";
}

TEST_F(PackageSave, FilesThatAreNoDocumentAreToldApart) {
    const std::string missing = dir_.File("нет.docx");
    EXPECT_EQ(ErrorText([&] { DocxPackage d(missing); }), "Не найден файл документа \"" + missing + "\"");
    EXPECT_EQ(ErrorText([&] { DocxPackage d(dir_.Folder()); }),
              "Документ \"" + dir_.Folder() + "\" не является файлом");

    const std::string text = dir_.File("form.doc");
    WriteFile(text, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
    EXPECT_EQ(ErrorText([&] { DocxPackage d(text); }),
              "Файл \"" + text + "\" не является документом .docx: это не ZIP-архив");

    const std::string noMain = dir_.File("other.docx");
    WriteZip(noMain, {{"[Content_Types].xml", "<Types/>"}, {"word/styles.xml", "<x/>"}});
    EXPECT_EQ(ErrorText([&] { DocxPackage d(noMain); }),
              "Файл \"" + noMain + "\" не является документом Word: в нём нет части word/document.xml");

    const std::string broken = dir_.File("broken.docx");
    WriteDocx(broken, OnlyDocument(DocumentXml("<w:p><w:r><w:t>оборвано</w:r></w:p>")));
    EXPECT_THAT(
        ErrorText([&] { DocxPackage d(broken); }),
        ::testing::StartsWith("Файл \"" + broken + "\" повреждён: часть word/document.xml не читается как XML"));

    const std::string koi8 = dir_.File("koi8.docx");
    std::string declared = DocumentXml("<w:p/>");
    declared.replace(declared.find("UTF-8"), 5, "KOI8-R");
    WriteDocx(koi8, OnlyDocument(declared));
    EXPECT_EQ(ErrorText([&] { DocxPackage d(koi8); }),
              "Файл \"" + koi8 +
                  "\" не удаётся прочитать: часть word/document.xml записана в неподдерживаемой "
                  "кодировке \"KOI8-R\"");

    const std::string foreign = dir_.File("foreign.docx");
    WriteDocx(foreign, OnlyDocument("<document xmlns=\"urn:other\"><body/></document>"));
    EXPECT_EQ(ErrorText([&] { DocxPackage d(foreign); }),
              "Файл \"" + foreign +
                  "\" не является документом Word: часть word/document.xml не содержит разметки "
                  "WordprocessingML");
}

TEST_F(PackageSave, AMisstatedDirectoryIsRefusedAsDamageBeforeFillingWithoutTakingTheMemory) {
    using Change = std::function<void(DirectoryRecord&)>;
    const std::string mismatch =
        "размер части word/document.xml в оглавлении ZIP-архива не сходится с её сжатым размером";
    const std::string unreadable = "не удаётся прочитать часть word/document.xml";
    const std::string damagedZip = "ZIP-архив документа нарушен";
    const struct {
        const char* what;
        std::string entry;
        Change change;
        std::string reason;
    } cases[] = {
        {"four gigabytes claimed", "word/document.xml", [](auto& r) { r.size = 0xFFFFFF00u; },
         "часть word/document.xml больше 256 МБ"},
        {"more than deflate can give", "word/document.xml", [](auto& r) { r.size = 10u << 20; }, mismatch},
        {"over the limit with a matching compressed size", "word/document.xml",
         [](auto& r) {
             r.compressed = 1u << 20;
             r.size = 300u << 20;
         },
         "часть word/document.xml больше 256 МБ"},
        {"longer than the contents", "word/document.xml", [](auto& r) { r.size += 1000; }, unreadable},
        {"shorter than the contents", "word/document.xml", [](auto& r) { r.size -= 10; }, unreadable},
        {"nothing", "word/document.xml", [](auto& r) { r.size = 0; }, unreadable},
        // Entries the filling leaves alone are copied when the document is
        // saved; one that could not be is found before anything is filled.
        {"an untouched entry's header past the end of the file", "word/styles.xml",
         [](auto& r) { r.localHeader = 0x7FFFFF00u; }, damagedZip},
        {"an untouched entry's header not where the directory says", "word/styles.xml",
         [](auto& r) { r.localHeader += 1; }, damagedZip},
        {"an untouched entry's bytes running past the end of the file", "word/media/image1.png",
         [](auto& r) { r.compressed += 100000; }, damagedZip},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Template();
        PatchDirectoryRecord(path, c.entry, c.change);
        EXPECT_EQ(ErrorText([&] { DocxPackage d(path); }), "Файл \"" + path + "\" повреждён: " + c.reason);
    }

    // Two entries of one name: the second could not be copied under it.
    const std::string twice = dir_.File("twice.docx");
    WriteZip(twice, {{"word/document.xml", DocumentXml("<w:p/>")}, {"word/a.xml", "<a/>"}, {"word/b.xml", "<b/>"}});
    std::string bytes = FileBytes(twice);
    for (std::size_t at = bytes.find("word/b.xml"); at != std::string::npos; at = bytes.find("word/b.xml", at))
        bytes[at + 5] = 'a';
    WriteFile(twice, bytes);
    EXPECT_EQ(ErrorText([&] { DocxPackage d(twice); }), "Файл \"" + twice + "\" повреждён: " + damagedZip);
}

TEST_F(PackageSave, TheMainPartIsFoundThroughThePackageRelationships) {
    const std::string path = dir_.File("renamed.docx");
    WriteZip(path,
             {{"_rels/.rels", R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                              R"(<Relationship Id="r1" Type="http://schemas.openxmlformats.org/officeDocument/2006/)"
                              R"(relationships/officeDocument" Target="/doc/main.xml"/></Relationships>)"},
              {"doc/main.xml", DocumentXml(R"(<w:p><w:bookmarkStart w:id="0" w:name="m"/></w:p>)")}});
    DocxPackage doc(path);
    EXPECT_TRUE(doc.HasBookmark("m"));
    doc.InsertBeforeBookmark("m", "x");
    doc.SaveAs(dir_.File("out.docx"));
    EXPECT_THAT(ParagraphTexts(ReadEntry(dir_.File("out.docx"), "doc/main.xml")), ElementsAre("x"));
}

TEST_F(PackageSave, SavingIntoAMissingFolderOrOverAFolderFailsAndWritesNothing) {
    DocxPackage doc(Template());
    const std::string inMissing = dir_.File("Reports/out.docx");
    EXPECT_EQ(
        ErrorText([&] { doc.SaveAs(inMissing); }),
        "Не удалось сохранить документ \"" + inMissing + "\": папка \"" + dir_.File("Reports") + "\" не существует");
    EXPECT_FALSE(fs::exists(dir_.Path() / "Reports"));

    fs::create_directories(dir_.Path() / "taken.docx" / "inner");
    const std::string overFolder = dir_.File("taken.docx");
    EXPECT_EQ(ErrorText([&] { doc.SaveAs(overFolder); }),
              "Не удалось сохранить документ \"" + overFolder + "\": под этим именем уже есть папка");
    EXPECT_TRUE(fs::is_directory(dir_.Path() / "taken.docx" / "inner"));
    EXPECT_FALSE(doc.Saved()) << "a failed save does not make the document that file";
}

TEST_F(PackageSave, AFailureWhileWritingLeavesThePreviousFileWhole) {
    // The template shrinks under the open document, so copying its untouched
    // entries fails half-way through the write. A large picture keeps the
    // entries from all sitting in a read buffer already.
    MiniDocx docx = FormWithHeader();
    std::string picture(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : picture) {
        c = static_cast<char>(random());
    }
    docx.extra.push_back({"word/media/large.bin", picture, true});
    const std::string path = Template(docx);
    const std::string out = dir_.File("out.docx");
    WriteFile(out, "previous report");
    DocxPackage doc(path);
    doc.InsertBeforeBookmark("z1000_001_01", "1");
    fs::resize_file(path, 100);
    EXPECT_EQ(ErrorText([&] { doc.SaveAs(out); }),
              "Не удалось сохранить документ \"" + out + "\": не удаётся прочитать исходный файл \"" + path + "\"");
    EXPECT_TRUE(FileBytes(out) == "previous report") << "the earlier file was replaced";
    EXPECT_THAT(FolderListing(dir_.Path()), ElementsAre("out.docx", "template.docx"));
}

TEST(WriteFailureReason, NamesTheCommonCausesInRussian) {
    using word::docx::WriteFailureReason;
    EXPECT_EQ(WriteFailureReason(ENOSPC), "на диске нет места");
    EXPECT_EQ(WriteFailureReason(EACCES), "нет прав на запись");
    EXPECT_EQ(WriteFailureReason(EROFS), "диск доступен только для чтения");
    EXPECT_EQ(WriteFailureReason(0), "ошибка записи");
}

TEST(ResolvePartName, FollowsRelativeAndRootTargets) {
    using word::docx::ResolvePartName;
    EXPECT_EQ(ResolvePartName("word/document.xml", "header1.xml"), "word/header1.xml");
    EXPECT_EQ(ResolvePartName("word/document.xml", "/word/footer2.xml"), "word/footer2.xml");
    EXPECT_EQ(ResolvePartName("word/document.xml", "../customXml/item1.xml"), "customXml/item1.xml");
    EXPECT_EQ(ResolvePartName("word/document.xml", "./sub/../h.xml"), "word/h.xml");
    EXPECT_EQ(ResolvePartName("", "word/document.xml"), "word/document.xml");
}

}  // namespace
}  // namespace tarnfold::testing
