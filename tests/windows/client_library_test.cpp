// The database client library as Windows loads it: gds32.dll, then
// fbclient.dll, a copy beside the program first.
#include <gtest/gtest.h>

#include <fstream>

#include "core/client_file_name.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/text.h"
#include "db/client_library.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

TEST(WindowsClientLibrary, CopiesBesideTheProgramComeFirstThenTheSystemsByName) {
    EXPECT_EQ(ClientLibrary::Candidates("C:\\Ardmet\\Tarnfold\\"),
              (std::vector<std::string>{"C:\\Ardmet\\Tarnfold\\gds32.dll", "C:\\Ardmet\\Tarnfold\\fbclient.dll",
                                        "gds32.dll", "fbclient.dll"}));
}

TEST(WindowsClientLibrary, WithoutAnyClientTheFailureNamesTheLibraries) {
    tarnfold::testing::TempDir folder;
    try {
        ClientLibrary::Load(ClientLibrary::Candidates(PathToUtf8(folder.Path())));
        FAIL() << "a client library was loaded";
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("gds32.dll"), std::string::npos) << text;
        EXPECT_NE(text.find("fbclient.dll"), std::string::npos) << text;
    }
}

TEST(WindowsClientLibrary, ABrokenCopyBesideTheProgramIsReportedNotSkipped) {
    tarnfold::testing::TempDir folder;
    const std::string broken = PathToUtf8(folder.Path() / "gds32.dll");
    std::ofstream(PathFromUtf8(broken)) << "not a library";
    try {
        ClientLibrary::Load(ClientLibrary::Candidates(PathToUtf8(folder.Path())));
        FAIL() << "a broken library was loaded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(broken), std::string::npos) << e.what();
    }
}

// The host system's 32-bit client beside the 64-bit program (or the other way
// round) cannot be loaded; the message names the release that works with it.
TEST(WindowsClientLibrary, AClientOfTheOtherWidthNamesTheOtherRelease) {
    constexpr bool wide = sizeof(void*) == 8;
    tarnfold::testing::TempDir folder;
    const std::string client = PathToUtf8(folder.Path() / "fbclient.dll");
    // A PE header for the other processor, nothing more.
    std::string header(0x40, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3C] = 0x40;
    header += std::string("PE\0\0", 4) + (wide ? std::string("\x4C\x01", 2) : std::string("\x64\x86", 2));
    header.resize(0x200, '\0');
    std::ofstream(PathFromUtf8(client), std::ios::binary) << header;
    try {
        ClientLibrary::Load(ClientLibrary::Candidates(PathToUtf8(folder.Path())));
        FAIL() << "a library of the other width was loaded";
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Не удалось загрузить клиентскую библиотеку базы данных " + client + ": ", 0), 0u) << text;
        EXPECT_NE(
            text.find(wide ? "32-разрядная, а эта программа 64-разрядная: возьмите программы из архива tarnfold-"
                           : "64-разрядная, а эта программа 32-разрядная: возьмите программы из архива tarnfold-"),
            std::string::npos)
            << text;
        EXPECT_NE(text.find(wide ? "-windows-x86.zip" : "-windows-x64.zip"), std::string::npos) << text;
    }
}

// A Russian desktop's client reads names in code page 1251; a name that page
// cannot hold goes as UTF-8, flagged.
TEST(WindowsClientLibrary, TheDatabaseNameGoesInTheAnsiCodePageOrElseAsUtf8) {
    struct Case {
        std::string name;
        std::string bytes;
        bool utf8;
    };
    for (const Case& test : std::vector<Case>{
             {"C:\\Ardmet\\kvel.gdb", "C:\\Ardmet\\kvel.gdb", false},
             {"C:\\Статистика\\база\\kvel.gdb", Utf8ToCp1251("C:\\Статистика\\база\\kvel.gdb"), false},
             {"dbhost:C:\\Ελλάδα\\kvel.gdb", "dbhost:C:\\Ελλάδα\\kvel.gdb", true},
             // Best fit would make "é" an "e" and name another folder.
             {"C:\\Données\\kvel.gdb", "C:\\Données\\kvel.gdb", true},
         }) {
        SCOPED_TRACE(test.name);
        const ClientFileName name = FileNameForClient(test.name);
        EXPECT_EQ(name.bytes, test.bytes);
        EXPECT_EQ(name.utf8, test.utf8);
        EXPECT_EQ(name.codePage, 1251u);
    }
}

}  // namespace
}  // namespace tarnfold::db
