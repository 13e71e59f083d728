#pragma once
// A library built for another processor than the program cannot be loaded by
// it: the 32-bit Firebird client that most host systems install beside a
// 64-bit program, say. The release comes in both builds, and the user is told
// which one to take.

#include <string>

namespace tarnfold {

// A sentence naming the release that works with the library file, when the
// file is built for the other width; empty otherwise (or where there is only
// one build).
std::string OtherBuildAdvice(const std::string& libraryPath);

}  // namespace tarnfold
