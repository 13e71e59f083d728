#pragma once
// The reason of a failed system call in the words the rest of the program
// speaks: Russian, whatever language the process's locale would give.

#include <string>
#include <system_error>

namespace tarnfold {

// The reason for an errno value ("нет такого файла или каталога"); a value
// without a Russian text here gets the system's own, with its number.
std::string SystemErrorText(int code);
std::string SystemErrorText(const std::error_code& code);

}  // namespace tarnfold
