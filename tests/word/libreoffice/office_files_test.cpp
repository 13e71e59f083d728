#include "word/libreoffice/office_files.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tarnfold::word {
namespace {

TEST(FileUrl, EncodesEveryByteOutsideTheSafeSet) {
    EXPECT_EQ(FileUrl("/tmp/a b#1%.doc"), "file:///tmp/a%20b%231%25.doc");
    EXPECT_EQ(FileUrl("/tmp/ДД.doc"), "file:///tmp/%D0%94%D0%94.doc");
    EXPECT_EQ(FileUrl("/tmp/x/../№ 7 (разрез 01).doc"),
              "file:///tmp/%E2%84%96%207%20%28%D1%80%D0%B0%D0%B7%D1%80%D0%B5%D0%B7%2001%29.doc");
}

TEST(FileUrl, MakesRelativeNamesAbsolute) {
    const std::string url = FileUrl("отчёт.doc");
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    EXPECT_EQ(PathFromFileUrl(url), (std::filesystem::current_path() / "отчёт.doc").string());
}

TEST(PathFromFileUrl, DecodesWhatFileUrlEncodes) {
    for (const std::string path : {"/tmp/№ 7 (разрез 01) ГБУЗ «Больница» за 2023 год.doc", "/a/100%/b c.docx"})
        EXPECT_EQ(PathFromFileUrl(FileUrl(path)), path);
    EXPECT_EQ(PathFromFileUrl("file:///tmp/%d0%94.doc"), "/tmp/Д.doc");
    EXPECT_EQ(PathFromFileUrl("private:factory/swriter"), "");
    EXPECT_EQ(PathFromFileUrl(""), "");
    EXPECT_EQ(PathFromFileUrl("file://server/share/a.doc"), "");
}

TEST(FilterForOutput, FollowsTheExtensionInAnyCase) {
    EXPECT_EQ(FilterForOutput("/r/№ 7.doc"), "MS Word 97");
    EXPECT_EQ(FilterForOutput("/r/a.DOC"), "MS Word 97");
    EXPECT_EQ(FilterForOutput("/r/a.docx"), "MS Word 2007 XML");
    EXPECT_EQ(FilterForOutput("/r/a.Docx"), "MS Word 2007 XML");
    EXPECT_EQ(FilterForOutput("/r/a.odt"), "writer8");
    EXPECT_EQ(FilterForOutput("/r/a.rtf"), "MS Word 97");
    EXPECT_EQ(FilterForOutput("/r/без расширения"), "MS Word 97");
}

TEST(SameFile, ComparesNamesAndFiles) {
    testing::TempDir dir;
    std::ofstream(dir.File("a.doc")) << "x";
    std::filesystem::create_symlink(dir.File("a.doc"), dir.File("ссылка.doc"));
    EXPECT_TRUE(SameFile(dir.File("a.doc"), dir.Folder() + "sub/../a.doc"));
    EXPECT_TRUE(SameFile(dir.File("a.doc"), dir.File("ссылка.doc")));
    EXPECT_FALSE(SameFile(dir.File("a.doc"), dir.File("b.doc")));
    EXPECT_TRUE(SameFile(dir.File("нет.doc"), dir.File("нет.doc")));
    EXPECT_FALSE(SameFile("", dir.File("a.doc")));
}

TEST(StoreObstacle, NamesWhatTheFileSystemSays) {
    testing::TempDir dir;
    EXPECT_EQ(StoreObstacle(dir.File("new folder/отчёт.doc")), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "new folder"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() / "new folder"), {}), 0) << "probe left";
    EXPECT_EQ(StoreObstacle(dir.File(std::string(86, 'x') + std::string(170, 'y') + ".doc")),
              "слишком длинное имя файла");
    std::ofstream(dir.File("plain")) << "x";
    EXPECT_EQ(StoreObstacle(dir.File("plain/sub/a.doc")),
              "папка " + dir.File("plain/sub") + ": часть пути не является папкой");
}

TEST(OfficeFiles, OnlyWordFiltersMakeATemplate) {
    for (const char* word :
         {"MS Word 97", "MS Word 2007 XML", "MS Word 95", "MS WinWord 6.0", "Office Open XML Text", "Rich Text Format"})
        EXPECT_TRUE(IsWordFilter(word)) << word;
    for (const char* other : {"Text", "Text (encoded)", "writer8", "HTML (StarWriter)", "", "calc8"})
        EXPECT_FALSE(IsWordFilter(other)) << other;
}

}  // namespace
}  // namespace tarnfold::word
