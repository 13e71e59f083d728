// The tests' main: the process takes the locale of the people who use the
// tool, ru_RU.UTF-8 (or the one TARNFOLD_TEST_LOCALE names), exactly as the
// window program does at its start, before any test runs. Programs that the
// tests start (the batch, the office, the database server) inherit it.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* chosen = std::getenv("TARNFOLD_TEST_LOCALE");
    const std::string locale = chosen && *chosen ? chosen : "ru_RU.UTF-8";
    ::setenv("LANG", locale.c_str(), 1);
    ::setenv("LC_ALL", locale.c_str(), 1);
    if (!std::setlocale(LC_ALL, "")) {
        std::fprintf(stderr, "The locale %s is not generated (scripts/setup generates it)\n", locale.c_str());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
