// Measures the LibreOffice back-end: office start-up, the cost of a bookmark
// test and of an insertion (medians over every bookmark of a large form).
// Not a test; run by hand:  build/bin/tarnfold_word_benchmark [rows]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "support/temp_dir.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarnfold::testing::TempDir;
namespace word = tarnfold::word;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Samples {
    std::vector<double> ms;
    void Add(Clock::duration d) { ms.push_back(Milliseconds(d)); }
    void Print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-34s n=%5zu  median %8.3f ms  p10 %8.3f  p90 %8.3f  max %8.3f\n", what, ms.size(),
                    ms[ms.size() / 2], ms[ms.size() / 10], ms[ms.size() * 9 / 10], ms.back());
    }
};

template <class F>
Clock::duration Time(F&& f) {
    const auto start = Clock::now();
    f();
    return Clock::now() - start;
}

std::string CellName(int row, int column) {
    char name[32];
    std::snprintf(name, sizeof name, "z1000_%03d_%02d", row, column);
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::stoi(argv[1]) : 150;
    const int columns = 10;
    TempDir dir;
    std::string layout = R"({"header": [{"text": "Год: ", "bookmark": "z0001_000_00"}], "body": ["Форма", {"table": [)";
    for (int r = 1; r <= rows; ++r) {
        layout += r > 1 ? ",[" : "[";
        for (int c = 1; c <= columns; ++c)
            layout += (c > 1 ? "," : "") + std::string(R"({"bookmark": ")") + CellName(r, c) + R"("})";
        layout += "]";
    }
    layout += "]}]}";
    const std::string templatePath = dir.File("большой.doc");
    tarnfold::testing::MakeTemplate(layout, templatePath);
    std::printf("template: %d bookmarks\n", rows * columns + 1);

    word::LibreOfficeOptions options;
    options.profileFolder = dir.File("office-profile");
    options.pipeName = "tarnfold_benchmark_" + std::to_string(::getpid());
    options.visible = false;

    Samples start;
    for (int i = 0; i < 6; ++i) {
        word::KillOfficeProcesses(options.pipeName);
        word::LibreOfficeServer server(options);
        const auto took = Time([&] { server.CreateApplication(); });
        if (i > 0)
            start.Add(took);  // the first start also seeds and fills a new profile
        else
            std::printf("first start on a new profile: %.0f ms\n", Milliseconds(took));
    }

    {
        word::LibreOfficeServer server(options);
        Samples open, saveAs, firstTest, test, missing, insert, type, save;
        for (int run = 0; run < 2; ++run) {
            auto application = server.CreateApplication();
            std::shared_ptr<word::BookmarkDocument> document;
            open.Add(Time([&] { document = word::BookmarkSteps(application->OpenWorkingDocument(templatePath)); }));
            saveAs.Add(Time([&] { document->SaveAs(dir.File("вывод" + std::to_string(run) + ".doc")); }));
            firstTest.Add(Time([&] { document->HasBookmark("z0001_000_00"); }));
            type.Add(Time([&] { document->TypeAtBookmark("z0001_000_00", "2023"); }));
            for (int r = 1; r <= rows; ++r) {
                for (int c = 1; c <= columns; ++c) {
                    const std::string name = CellName(r, c);
                    bool present = false;
                    test.Add(Time([&] { present = document->HasBookmark(name); }));
                    missing.Add(Time([&] { document->HasBookmark(CellName(r + 500, c)); }));
                    if (present) insert.Add(Time([&] { document->InsertBeforeBookmark(name, "1234,5"); }));
                }
            }
            save.Add(Time([&] { document->Save(); }));
        }
        start.Print("office start (seeded profile)");
        open.Print("open template");
        saveAs.Print("save as .doc");
        firstTest.Print("first bookmark test (reads names)");
        test.Print("bookmark test, present");
        missing.Print("bookmark test, missing");
        insert.Print("insert in front of bookmark");
        type.Print("type at bookmark");
        save.Print("save");
    }
    word::KillOfficeProcesses(options.pipeName);
    return 0;
}
