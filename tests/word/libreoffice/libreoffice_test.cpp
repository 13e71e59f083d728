// The LibreOffice back-end against a real office: one office for the whole
// program, templates made once, every case with output folders of its own.

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "office_fixture.h"
#include "office_probe.h"
#include "support/temp_dir.h"
#include "template_layouts.h"
#include "word/libreoffice/libreoffice.h"

namespace tarnfold::testing {
namespace {

namespace fs = std::filesystem;

::testing::AssertionResult Mentions(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" does not mention \"" << part << "\"";
}

class LibreOfficeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        MakeTemplates({{kFormTemplate, Template()}, {kFormTemplate, folder_->File("шаблон.docx")}});
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static std::string Template() { return folder_->File("ДД.doc"); }
    static std::string DocxTemplate() { return folder_->File("шаблон.docx"); }
    std::string Output(const std::string& name) const { return (output_.Path() / name).string(); }

    static std::shared_ptr<word::BookmarkDocument> OpenCopy(word::Application& application,
                                                            const std::string& templatePath) {
        return word::BookmarkSteps(application.OpenWorkingDocument(templatePath));
    }

    static void FillForm(word::BookmarkDocument& document) {
        document.TypeAtBookmark("z0001_000_00", "2023");
        document.TypeAtBookmark("z0002_000_00", "ГБУЗ «Областной онкодиспансер»");
        document.TypeAtBookmark("z0003_000_00", "январь — март");
        document.InsertBeforeBookmark("z1000_001_03", "1234,5");
        document.InsertBeforeBookmark("z1000_001_04", "17");
        document.InsertBeforeBookmark("z1000_002_03", "0,25");
        document.InsertBeforeBookmark("z1000_002_04", "нет данных");
        document.InsertBeforeBookmark("z2000_001_01", "Итог по всем строкам");
    }

    static inline std::unique_ptr<TempDir> folder_;
    TempDir output_;
};

const std::vector<std::string> kFilledHeader = {"Год: 2023 год", "Учреждение: ГБУЗ «Областной онкодиспансер»",
                                                "Период: январь — март"};
const std::vector<std::string> kFilledBody = {"Форма 7. Сведения о заболевших злокачественными новообразованиями",
                                              "Строка",
                                              "Графа 3",
                                              "Графа 4",
                                              "Всего",
                                              "1234,5",
                                              "17",
                                              "Мужчины",
                                              "0,25",
                                              "из них: нет данных—",
                                              "Примечание",
                                              "Итого",
                                              "Итог по всем строкам",
                                              "код ",
                                              "Конец формы"};

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(LibreOfficeTest, FillsDocTemplateUnderCyrillicNameAndLeavesTemplateUnchanged) {
    const std::string templateBytes = ReadWholeFile(Template());
    const std::vector<std::string> templateFolder = FilesIn(folder_->Path());
    const std::string output = Output("Отчёты за год/№ 7 (разрез 01) Больница №1 за 2023 год.doc");
    ASSERT_FALSE(fs::exists(fs::path(output).parent_path()));

    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    document->SaveAs(output);
    EXPECT_TRUE(fs::is_regular_file(output)) << "the copy is written by the save under the new name";

    EXPECT_TRUE(document->HasBookmark("z0001_000_00"));
    EXPECT_TRUE(document->HasBookmark("z1000_002_04"));
    EXPECT_FALSE(document->HasBookmark("z1000_003_03"));
    EXPECT_FALSE(document->HasBookmark("z0001_000_0"));
    FillForm(*document);
    document->GoToBookmark("z0001_000_00");
    document->Save();
    application->Show();

    const DocumentContent content = ReadDocument(output);
    EXPECT_EQ(content.header, kFilledHeader);
    EXPECT_EQ(content.body, kFilledBody);
    EXPECT_EQ(content.footer, std::vector<std::string>{"Форма утверждена приказом Росстата"});
    for (const char* name :
         {"z0001_000_00", "z0002_000_00", "z0003_000_00", "z1000_001_03", "z1000_002_04", "ИтогоСтрок"})
        EXPECT_NE(std::find(content.bookmarks.begin(), content.bookmarks.end(), name), content.bookmarks.end())
            << name << " survives the save";
    EXPECT_EQ(ReadWholeFile(output).substr(0, 4), "\xD0\xCF\x11\xE0") << "a .doc name gets a Word 97 document";

    EXPECT_EQ(ReadWholeFile(Template()), templateBytes);
    EXPECT_EQ(FilesIn(folder_->Path()), templateFolder) << "no lock or backup file beside the template";

    const std::string text = ReadDocumentText(output);
    EXPECT_EQ(text.substr(0, text.find('\n')), "Год: 2023 год");
    EXPECT_NE(text.find("\n1234,5\n17\n"), std::string::npos);
}

TEST_F(LibreOfficeTest, FindsBookmarksIgnoringLetterCase) {
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    const std::string output = Output("регистр.doc");
    document->SaveAs(output);

    EXPECT_TRUE(document->HasBookmark("Z0001_000_00"));
    EXPECT_TRUE(document->HasBookmark("итогострок"));
    EXPECT_TRUE(document->HasBookmark("ИТОГОСТРОК"));
    document->TypeAtBookmark("Z0002_000_00", "Больница");
    document->InsertBeforeBookmark("Z1000_001_03", "5,5");
    document->InsertBeforeBookmark("итогострок", "42");
    document->GoToBookmark("Z0001_000_00");
    document->Save();

    const DocumentContent content = ReadDocument(output);
    EXPECT_EQ(content.header[1], "Учреждение: Больница");
    EXPECT_EQ(content.body[5], "5,5");
    EXPECT_EQ(content.body[content.body.size() - 2], "код 42");
}

TEST_F(LibreOfficeTest, MissingBookmarkFailsByNameAndChangesNothing) {
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    const std::string output = Output("нет закладки.doc");
    document->SaveAs(output);

    for (const auto& call :
         std::vector<std::function<void()>>{[&] { document->TypeAtBookmark("z0009_000_00", "x"); },
                                            [&] { document->InsertBeforeBookmark("z1000_099_03", "1"); },
                                            [&] { document->GoToBookmark("z0009_000_00"); }}) {
        try {
            call();
            ADD_FAILURE() << "a missing bookmark must fail";
        } catch (const Error& error) {
            EXPECT_TRUE(Mentions(error.what(), "нет закладки z"));
        }
    }
    document->Save();
    const DocumentContent content = ReadDocument(output);
    EXPECT_EQ(content.header[0], "Год:  год");
    EXPECT_EQ(content.body[5], "");
}

TEST_F(LibreOfficeTest, SavesInTheFormatTheOutputNameAsks) {
    auto application = SharedOffice().CreateApplication();
    const std::string docx = Output("вывод.DOCX");
    const std::string odt = Output("вывод.odt");
    {
        auto document = OpenCopy(*application, DocxTemplate());
        document->SaveAs(docx);
        FillForm(*document);
        document->Save();
    }
    {
        auto document = OpenCopy(*application, Template());
        document->SaveAs(odt);
        FillForm(*document);
        document->Save();
    }
    EXPECT_EQ(ReadWholeFile(docx).substr(0, 2), "PK");
    EXPECT_NE(ReadWholeFile(docx).find("word/document.xml"), std::string::npos);
    EXPECT_NE(ReadWholeFile(odt).find("application/vnd.oasis.opendocument.text"), std::string::npos);
    for (const std::string& output : {docx, odt}) {
        const DocumentContent content = ReadDocument(output);
        EXPECT_EQ(content.header, kFilledHeader) << output;
        EXPECT_EQ(content.body, kFilledBody) << output;
    }
}

TEST_F(LibreOfficeTest, ReadOnlyTemplateInReadOnlyFolderStillServes) {
    TempDir locked;
    const std::string templatePath = locked.File("только чтение.doc");
    fs::copy_file(Template(), templatePath);
    fs::permissions(templatePath, fs::perms::owner_read);
    fs::permissions(locked.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    const std::string before = ReadWholeFile(templatePath);

    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, templatePath);
    const std::string output = Output("из защищённого.doc");
    document->SaveAs(output);
    FillForm(*document);
    document->Save();

    EXPECT_EQ(ReadDocument(output).body, kFilledBody);
    EXPECT_EQ(ReadWholeFile(templatePath), before);
    fs::permissions(locked.Path(), fs::perms::owner_all);
}

TEST_F(LibreOfficeTest, FailedSaveAsClosesTheHiddenCopy) {
    OfficeProbe probe(SharedOfficeOptions());
    const std::size_t openBefore = probe.Documents().size();
    std::ofstream(Output("не папка")) << "a file where the output folder should be";

    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    EXPECT_EQ(probe.Documents().size(), openBefore + 1);
    try {
        document->SaveAs(Output("не папка/вывод.doc"));
        FAIL() << "saving below a file must fail";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Не удалось сохранить документ как " + Output("не папка/вывод.doc") + ": ", 0), 0u)
            << message;
        EXPECT_EQ(message.find(".cxx:"), std::string::npos) << "no source location of the office: " << message;
        EXPECT_NE(message.back(), '.');
    }
    EXPECT_EQ(probe.Documents().size(), openBefore) << "nobody will ever see the copy, so it is closed";
    EXPECT_THROW(document->HasBookmark("z0001_000_00"), Error);
}

TEST_F(LibreOfficeTest, OutputStillOpenFromEarlierRunIsNotOverwritten) {
    const std::string output = Output("занят.doc");
    auto first = SharedOffice().CreateApplication();
    {
        auto document = OpenCopy(*first, Template());
        document->SaveAs(output);
        FillForm(*document);
        document->Save();
        first->Show();
    }
    const std::string savedBytes = ReadWholeFile(output);
    OfficeProbe probe(SharedOfficeOptions());
    const auto before = probe.Documents();

    auto second = SharedOffice().CreateApplication();
    auto document = OpenCopy(*second, Template());
    try {
        document->SaveAs(output);
        FAIL() << "the file is open in the office";
    } catch (const Error& error) {
        EXPECT_TRUE(Mentions(error.what(), "открыт в LibreOffice"));
    }
    EXPECT_EQ(ReadWholeFile(output), savedBytes);
    const auto after = probe.Documents();
    ASSERT_EQ(after.size(), before.size()) << "the second run's copy is closed again";
    const auto open = std::find_if(after.begin(), after.end(), [&](const auto& d) { return d.path == output; });
    ASSERT_NE(open, after.end());
    EXPECT_NE(open->text.find("1234,5"), std::string::npos);
    EXPECT_FALSE(open->modified) << "the open document is left as the first run saved it";
}

TEST_F(LibreOfficeTest, SecondRunStartsItsOwnDocumentWhileTheFirstStaysOpen) {
    const std::string firstOutput = Output("первый.doc");
    const std::string secondOutput = Output("второй.doc");
    auto first = SharedOffice().CreateApplication();
    auto firstDocument = OpenCopy(*first, Template());
    firstDocument->SaveAs(firstOutput);
    firstDocument->InsertBeforeBookmark("z1000_001_03", "111");
    firstDocument->Save();
    first->Show();

    auto second = SharedOffice().CreateApplication();
    auto secondDocument = OpenCopy(*second, Template());
    secondDocument->SaveAs(secondOutput);
    secondDocument->InsertBeforeBookmark("z1000_001_03", "222");
    secondDocument->Save();
    second->Show();

    const auto open = OfficeProbe(SharedOfficeOptions()).Documents();
    for (const std::string& path : {firstOutput, secondOutput})
        EXPECT_TRUE(std::any_of(open.begin(), open.end(), [&](const auto& d) { return d.path == path; }))
            << path << " stays open in the office";
    EXPECT_EQ(ReadDocument(firstOutput).body[5], "111");
    EXPECT_EQ(ReadDocument(secondOutput).body[5], "222");
}

TEST_F(LibreOfficeTest, GoToBookmarkSelectsItWithoutTyping) {
    const std::string output = Output("курсор.doc");
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    document->SaveAs(output);
    document->InsertBeforeBookmark("z1000_001_03", "9");
    document->GoToBookmark("Z0002_000_00");
    document->Save();
    application->Show();

    const auto open = OfficeProbe(SharedOfficeOptions()).Documents();
    const auto shown = std::find_if(open.begin(), open.end(), [&](const auto& d) { return d.path == output; });
    ASSERT_NE(shown, open.end());
    EXPECT_EQ(shown->selected, "наименование учреждения") << "the cursor rests on the bookmark's range";
    EXPECT_FALSE(shown->modified);
    EXPECT_EQ(ReadDocument(output).header[1], "Учреждение: наименование учреждения");
}

TEST_F(LibreOfficeTest, HeadlessOfficeClosesTheDocumentWhenTheRunLetsGoOfIt) {
    const std::string output = Output("отчёт.doc");
    const std::string lock = Output(".~lock.отчёт.doc#");
    OfficeProbe probe(SharedOfficeOptions());
    const std::size_t openBefore = probe.Documents().size();
    for (const char* figure : {"1", "2"}) {
        auto application = SharedOffice().CreateApplication();
        auto document = OpenCopy(*application, Template());
        document->SaveAs(output);
        document->InsertBeforeBookmark("z1000_001_03", figure);
        document->Save();
        application->Show();
        EXPECT_TRUE(fs::exists(lock)) << "open in the office while the run holds it";
        EXPECT_EQ(probe.Documents().size(), openBefore + 1);
    }
    EXPECT_EQ(probe.Documents().size(), openBefore) << "nobody could ever see or close it";
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_EQ(ReadDocument(output).body[5], "2") << "the next run saved under the same name";
}

TEST_F(LibreOfficeTest, SavingOverTheTemplateIsRefused) {
    const std::string before = ReadWholeFile(Template());
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    EXPECT_THROW(document->SaveAs(Template()), Error);
    EXPECT_EQ(ReadWholeFile(Template()), before);
}

TEST_F(LibreOfficeTest, MissingTemplateFailsWithoutAskingTheOffice) {
    auto application = SharedOffice().CreateApplication();
    const int office = OfficeProcessId(SharedOfficeOptions().pipeName);
    ASSERT_GT(office, 0);
    // A stopped office would leave any question to it unanswered.
    ::kill(office, SIGSTOP);
    const auto started = std::chrono::steady_clock::now();
    std::string message;
    try {
        application->OpenWorkingDocument(folder_->File("нет такого/ДД.doc"));
    } catch (const Error& error) {
        message = error.what();
    }
    ::kill(office, SIGCONT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(message, "Не удалось открыть шаблон " + folder_->File("нет такого/ДД.doc") + ": файл не найден");
}

TEST_F(LibreOfficeTest, SaveBeforeSaveAsIsRefused) {
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, Template());
    EXPECT_THROW(document->Save(), Error);
    document->SaveAs(Output("после.doc"));
    document->Save();
}

}  // namespace
}  // namespace tarnfold::testing
