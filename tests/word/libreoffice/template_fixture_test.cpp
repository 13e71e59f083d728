// The template fixture script and the independent read-back that the office
// tests (and the export's) rely on.

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "support/documents.h"
#include "support/temp_dir.h"

namespace tarnfold::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLayout = R"({
  "header": ["Шапка  с двумя пробелами", {"text": "Год: ", "bookmark": "z0001_000_00", "after": " г."}],
  "footer": [{"text": "Стр. ", "bookmark": "Подвал", "span": "1"}],
  "body": [
    " начало с пробела",
    {"table": [["A", {"text": "x", "bookmark": "z1000_001_01", "after": "y"}], ["Б"]]},
    "<&> \"кавычки\""
  ]
})";

TEST(TemplateFixtures, EveryFormatCarriesTextAndBookmarksWhereTheDescriptionPutsThem) {
    TempDir dir;
    const std::vector<std::string> outputs = {dir.File("ДД.doc"), dir.File("папка/шаблон.docx"), dir.File("т.odt")};
    MakeTemplates({{kLayout, outputs[0]}, {kLayout, outputs[1]}, {kLayout, outputs[2]}});
    for (const std::string& output : outputs) {
        const DocumentContent content = ReadDocument(output);
        EXPECT_EQ(content.header, (std::vector<std::string>{"Шапка  с двумя пробелами", "Год:  г."})) << output;
        EXPECT_EQ(content.footer, std::vector<std::string>{"Стр. 1"}) << output;
        EXPECT_EQ(content.body, (std::vector<std::string>{" начало с пробела", "A", "xy", "Б", "", "<&> \"кавычки\""}))
            << output;
        for (const char* name : {"z0001_000_00", "Подвал", "z1000_001_01"})
            EXPECT_NE(std::find(content.bookmarks.begin(), content.bookmarks.end(), name), content.bookmarks.end())
                << name << " in " << output;
    }
    EXPECT_EQ(ReadWholeFile(outputs[0]).substr(0, 4), "\xD0\xCF\x11\xE0");
    EXPECT_EQ(ReadWholeFile(outputs[1]).substr(0, 2), "PK");
}

TEST(TemplateFixtures, BadDescriptionFailsAndWritesNothing) {
    TempDir dir;
    EXPECT_THROW(MakeTemplate(R"({"body": [{"span": "без закладки"}]})", dir.File("a.doc")), std::runtime_error);
    EXPECT_THROW(MakeTemplate(R"({"body": [)", dir.File("b.doc")), std::runtime_error);
    EXPECT_THROW(MakeTemplate(R"({"body": []})", dir.File("c.txt")), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace tarnfold::testing
