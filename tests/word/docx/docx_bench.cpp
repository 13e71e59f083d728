// Times the .docx back-end on a large form: open (unzip, parse, index), fill
// every cell, save. Not a test; run by hand:
//   docx_bench [TEMPLATE.docx]
//   docx_bench --fill-once batch|per-document|tree TEMPLATE.docx OUTPUT.docx
// The second fills one document once, the batch's way (the template
// prepared for splicing and kept) or the window's (the template scanned for
// this one document), or on the template's parsed tree, and prints the figures
// filled, the milliseconds and the process's peak memory in kB;
// tarnfold-bench runs it for its large forms.
// Without a template it builds a form of 1,000 rows × 10 cells with one
// bookmark each (written as LibreOffice writes bookmarks in empty cells) and
// three header bookmarks.

#include "package_builder.h"

#include "core/memory_reuse.h"
#include "temp_dir.h"
#include "word/docx/docx_package.h"
#include "word/docx/stamped_document.h"
#include "word/docx/template_image.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tarnfold::testing::DocumentXml;
using tarnfold::testing::MiniDocx;
using tarnfold::testing::StoryXml;

std::string CellName(int row, int column) {
    char name[32];
    std::snprintf(name, sizeof name, "z1000_%03d_%02d", row, column);
    return name;
}

std::string LargeForm(const tarnfold::testing::TempDir& dir) {
    std::string body = "<w:tbl><w:tblPr/>";
    int id = 10;
    for (int row = 1; row <= 1000; ++row) {
        body += "<w:tr>";
        for (int column = 1; column <= 10; ++column) {
            const std::string name = CellName(row, column);
            const std::string first = std::to_string(id++);
            const std::string second = std::to_string(id++);
            body +=
                "<w:tc><w:p><w:pPr><w:jc w:val=\"right\"/><w:rPr/></w:pPr><w:r><w:rPr/></w:r>"
                "<w:bookmarkStart w:id=\"" +
                first + "\" w:name=\"" + name +
                "\"/>"
                "<w:bookmarkStart w:id=\"" +
                second + "\" w:name=\"" + name +
                "\"/>"
                "<w:bookmarkEnd w:id=\"" +
                second + "\"/></w:p></w:tc>";
        }
        body += "</w:tr>";
    }
    body +=
        "</w:tbl><w:p><w:bookmarkStart w:id=\"2\" w:name=\"z0002_000_00\"/><w:bookmarkEnd w:id=\"2\"/></w:p>"
        "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"z0003_000_00\"/><w:bookmarkEnd w:id=\"3\"/></w:p>";
    MiniDocx docx;
    docx.document = DocumentXml(body);
    docx.headers.push_back(StoryXml("hdr",
                                    "<w:p><w:r><w:t xml:space=\"preserve\">Год: </w:t></w:r>"
                                    "<w:bookmarkStart w:id=\"1\" w:name=\"z0001_000_00\"/>"
                                    "<w:r><w:t>____</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>"));
    const std::string path = dir.File("large-form.docx");
    tarnfold::testing::WriteDocx(path, docx);
    return path;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One document filled as an export fills it: the header fields typed, a
// figure in front of every other bookmark.
int FillOnce(const std::string& way, const std::string& templatePath, const std::string& output) {
    // The names are listed beforehand, their parse gone before the filling starts.
    const std::vector<std::string> names = tarnfold::word::docx::DocxPackage(templatePath).BookmarkNames();
    const auto start = Clock::now();
    std::shared_ptr<tarnfold::word::docx::OpenDocument> doc;
    if (way == "batch")
        doc = std::make_shared<tarnfold::word::docx::StampedDocument>(
            std::make_shared<const tarnfold::word::docx::TemplateImage>(templatePath));
    else if (way == "tree")
        doc = std::make_shared<tarnfold::word::docx::DocxPackage>(templatePath);
    else
        doc = tarnfold::word::docx::OpenForOneDocument(templatePath);
    doc->TypeAtBookmark("z0001_000_00", "2011");
    doc->TypeAtBookmark("z0002_000_00", "Учреждение 1");
    doc->TypeAtBookmark("z0003_000_00", "Январь");
    std::size_t figure = 0;
    for (const std::string& name : names)
        if (name.rfind("z000", 0) != 0) doc->InsertBeforeBookmark(name, std::to_string(++figure * 100 + 7) + ".25");
    doc->SaveAs(output);
    const double ms = Ms(Clock::now() - start);
    // The process's own peak: a parent's wait4 would count the memory the
    // parent had when this process was started.
    long peakKb = 0;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld kB", &peakKb) == 1) break;
        std::fclose(status);
    }
    std::printf("%zu %.1f %ld\n", figure, ms, peakKb);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As the programs have it.
    tarnfold::KeepFreedMemoryForReuse();
    if (argc == 5 && std::string(argv[1]) == "--fill-once") {
        try {
            return FillOnce(argv[2], argv[3], argv[4]);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "filling failed: %s\n", error.what());
            return 1;
        }
    }
    tarnfold::testing::TempDir dir;
    const std::string templatePath = argc > 1 ? argv[1] : LargeForm(dir);
    const std::string output = dir.File("filled.docx");
    struct Round {
        double open, fill, save;
        std::size_t figures;
    };
    std::vector<Round> rounds;
    std::size_t bookmarks = 0;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        tarnfold::word::docx::DocxPackage doc(templatePath);
        const auto t1 = Clock::now();
        std::size_t figures = 0;
        doc.TypeAtBookmark("z0001_000_00", "2023");
        doc.TypeAtBookmark("z0002_000_00", "ГБУЗ «Областная больница»");
        doc.TypeAtBookmark("z0003_000_00", "январь");
        // Every cell the template has, in its order, as the export fills a form.
        for (const std::string& name : doc.BookmarkNames()) {
            if (name.rfind("z000", 0) != 0 && doc.HasBookmark(name)) {
                doc.InsertBeforeBookmark(name, std::to_string(figures * 10 + 7) + ",25");
                ++figures;
            }
        }
        const auto t2 = Clock::now();
        doc.SaveAs(output);
        const auto t3 = Clock::now();
        bookmarks = doc.BookmarkCount();
        rounds.push_back({Ms(t1 - t0), Ms(t2 - t1), Ms(t3 - t2), figures});
    }
    std::sort(rounds.begin(), rounds.end(),
              [](const Round& a, const Round& b) { return a.open + a.fill + a.save < b.open + b.fill + b.save; });
    const Round& median = rounds[rounds.size() / 2];
    std::printf("template: %s (%zu bookmarks)\n", templatePath.c_str(), bookmarks);
    std::printf("median of %zu rounds:\n", rounds.size());
    std::printf("  open (unzip, parse, index): %8.1f ms\n", median.open);
    std::printf("  fill %zu figures + 3 header fields: %8.1f ms (%.2f us per figure)\n", median.figures, median.fill,
                median.figures ? median.fill * 1000.0 / static_cast<double>(median.figures) : 0.0);
    std::printf("  save (serialise, zip, rename): %8.1f ms\n", median.save);
    std::printf("  total: %8.1f ms\n", median.open + median.fill + median.save);
    return 0;
}
