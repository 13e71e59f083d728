#pragma once
// A test against the stand-in word processor, in a folder of its own with a
// Cyrillic name: it fails when nothing answers as "Word.Application" and
// skips itself where that is another server (Word itself), which tests leave
// alone. A fixture built on it starts its own SetUp with this one's and
// returns when the test is skipped or has failed.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "stand_in_registration.h"

namespace tarnfold::testing {

class StandInWordTest : public ::testing::Test {
protected:
    void SetUp() override {
        const WordApplication server = RegisteredWordApplication();
        ASSERT_NE(server, WordApplication::None) << "the stand-in is not registered: run word_stand_in /RegServer";
        if (server == WordApplication::Other)
            GTEST_SKIP() << "\"Word.Application\" is another server here (Word itself), which tests leave alone";
        std::random_device random;
        root = std::filesystem::temp_directory_path() / (L"tarnfold-выгрузка-" + std::to_wstring(random()));
        std::filesystem::create_directories(root);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!root.empty()) std::filesystem::remove_all(root, ignored);
    }
    bool Ready() const { return !IsSkipped() && !HasFatalFailure(); }

    std::filesystem::path root;
};

}  // namespace tarnfold::testing
