#include <gtest/gtest.h>

#include "core/paths.h"

using namespace tarnfold;

TEST(FolderWithTrailingSeparator, KeepsTheWindowsRules) {
    EXPECT_EQ(FolderWithTrailingSeparator(""), "");
    EXPECT_EQ(FolderWithTrailingSeparator("C:"), "C:");
    EXPECT_EQ(FolderWithTrailingSeparator("C:\\Data\\"), "C:\\Data\\");
    EXPECT_EQ(FolderWithTrailingSeparator("d"), "d:\\");
    EXPECT_EQ(FolderWithTrailingSeparator("Z"), "Z:\\");
    EXPECT_EQ(FolderWithTrailingSeparator("C:\\Data"), "C:\\Data\\");
    EXPECT_EQ(FolderWithTrailingSeparator("1"), "1/");
}

TEST(FolderWithTrailingSeparator, LinuxFoldersGetASlash) {
    EXPECT_EQ(FolderWithTrailingSeparator("/srv/kvel"), "/srv/kvel/");
    EXPECT_EQ(FolderWithTrailingSeparator("/srv/kvel/"), "/srv/kvel/");
    EXPECT_EQ(FolderWithTrailingSeparator("dbhost:C:\\kvel"), "dbhost:C:\\kvel\\");
}

TEST(PathParts, LastSeparatorIsBackslashSlashOrColon) {
    EXPECT_EQ(FolderPart("C:\\Ardmet\\kvel\\kvel.gdb"), "C:\\Ardmet\\kvel\\");
    EXPECT_EQ(FolderPart("/srv/kvel/kvel.gdb"), "/srv/kvel/");
    EXPECT_EQ(FolderPart("C:kvel.gdb"), "C:");
    EXPECT_EQ(FolderPart("kvel.gdb"), "");
    EXPECT_EQ(FileNamePart("/a/b/№ 7.doc"), "№ 7.doc");
}

TEST(ProgramFolder, IsTheTestExecutablesFolderWithSeparator) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(FileExists(folder + "core_tests"));
    EXPECT_TRUE(DirectoryExists(folder));
}
