#include "word/server_error.h"

#include <gtest/gtest.h>

namespace tarnfold::word {
namespace {

TEST(ServerErrorText, CutsTrailingBlanksAndFullStops) {
    EXPECT_EQ(ServerErrorText("The file is in use.", "x"), "The file is in use");
    EXPECT_EQ(ServerErrorText("Файл занят. . .  ", "x"), "Файл занят");
    EXPECT_EQ(ServerErrorText("Ошибка ввода-вывода.\r\n", "x"), "Ошибка ввода-вывода");
    EXPECT_EQ(ServerErrorText("Version 1.5 of the file\t", "x"), "Version 1.5 of the file");
}

TEST(ServerErrorText, KeepsEverythingBeforeTheEnd) {
    EXPECT_EQ(ServerErrorText(" leading blank. Two sentences!", "x"), " leading blank. Two sentences!");
    EXPECT_EQ(ServerErrorText("Не найдено (код 5)", "x"), "Не найдено (код 5)");
}

TEST(ServerErrorText, FallsBackWhenNothingIsLeft) {
    EXPECT_EQ(ServerErrorText("", "OLE error 80020009"), "OLE error 80020009");
    EXPECT_EQ(ServerErrorText(" .. \n", "нет описания"), "нет описания");
}

}  // namespace
}  // namespace tarnfold::word
