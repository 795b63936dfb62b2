// Which processor a library is built for, read from its header, so that a
// runtime of the other architecture is passed over instead of failing to
// load.
#pragma once

#include <cstdint>
#include <string>

namespace launcher {

// Machine codes as the PE format numbers them; ELF headers are mapped onto
// the same codes.
constexpr uint16_t kMachineUnknown = 0;
constexpr uint16_t kMachineX86 = 0x014c;
constexpr uint16_t kMachineX64 = 0x8664;
constexpr uint16_t kMachineArm64 = 0xaa64;

// The machine of a PE or ELF image from its first bytes; kMachineUnknown when
// the bytes are neither (a library that is no library is left for the loader
// to report).
uint16_t LibraryMachine(const std::string& header);

// The machine this launcher is built for.
uint16_t NativeMachine();

// "64-bit (x64)", "32-bit (x86)", "ARM64", or the code in hex.
std::string MachineName(uint16_t machine);

}  // namespace launcher
