#include "core/library_bitness.h"

#include <cstdint>
#include <fstream>

#include "core/paths.h"

namespace tarnfold {

namespace {

constexpr std::uint16_t kMachineX86 = 0x014C;
constexpr std::uint16_t kMachineX64 = 0x8664;

// The machine field of a PE file's header, 0 when the file is no PE file.
std::uint16_t MachineOf(const std::string& path) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    unsigned char dos[64] = {};
    if (!file.read(reinterpret_cast<char*>(dos), sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
    const std::uint32_t header =
        dos[0x3C] | dos[0x3D] << 8 | dos[0x3E] << 16 | static_cast<std::uint32_t>(dos[0x3F]) << 24;
    unsigned char pe[6] = {};
    if (!file.seekg(header) || !file.read(reinterpret_cast<char*>(pe), sizeof pe)) return 0;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return 0;
    return static_cast<std::uint16_t>(pe[4] | pe[5] << 8);
}

}  // namespace

std::string OtherBuildAdvice(const std::string& libraryPath) {
    constexpr bool wide = sizeof(void*) == 8;
    const std::uint16_t machine = MachineOf(libraryPath);
    const std::string release = "tarnfold-" TARNFOLD_VERSION "-windows-";
    if (wide && machine == kMachineX86)
        return "Клиентская библиотека 32-разрядная, а эта программа 64-разрядная: возьмите программы из архива " +
               release + "x86.zip, они работают с этим клиентом (или положите рядом 64-разрядный клиент Firebird)";
    if (!wide && machine == kMachineX64)
        return "Клиентская библиотека 64-разрядная, а эта программа 32-разрядная: возьмите программы из архива " +
               release + "x64.zip, они работают с этим клиентом (или положите рядом 32-разрядный клиент Firebird)";
    return {};
}

}  // namespace tarnfold
