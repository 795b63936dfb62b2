// Reading the target machine of a PE or ELF library.
#include "discovery/Architecture.h"

namespace launcher {

namespace {

uint32_t Little(const std::string& bytes, size_t offset, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

}  // namespace

uint16_t LibraryMachine(const std::string& header) {
    if (header.size() >= 0x40 && header[0] == 'M' && header[1] == 'Z') {
        const uint32_t pe = Little(header, 0x3c, 4);
        if (pe > header.size() || header.size() - pe < 6) return kMachineUnknown;
        if (header.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return kMachineUnknown;
        return static_cast<uint16_t>(Little(header, pe + 4, 2));
    }
    if (header.size() >= 20 && header.compare(0, 4, "\x7f" "ELF") == 0 && header[5] == 1) {  // little-endian
        switch (Little(header, 18, 2)) {
        case 3: return kMachineX86;
        case 62: return kMachineX64;
        case 183: return kMachineArm64;
        default: return static_cast<uint16_t>(0xe000 | Little(header, 18, 2));  // another, named by its code
        }
    }
    return kMachineUnknown;
}

uint16_t NativeMachine() {
#if defined(__x86_64__) || defined(_M_X64)
    return kMachineX64;
#elif defined(__i386__) || defined(_M_IX86)
    return kMachineX86;
#elif defined(__aarch64__) || defined(_M_ARM64)
    return kMachineArm64;
#else
    return kMachineUnknown;
#endif
}

std::string MachineName(uint16_t machine) {
    switch (machine) {
    case kMachineX86: return "32-bit (x86)";
    case kMachineX64: return "64-bit (x64)";
    case kMachineArm64: return "ARM64";
    default: {
        static const char digits[] = "0123456789abcdef";
        std::string name = "machine 0x";
        for (int shift = 12; shift >= 0; shift -= 4) name += digits[(machine >> shift) & 15];
        return name;
    }
    }
}

}  // namespace launcher
