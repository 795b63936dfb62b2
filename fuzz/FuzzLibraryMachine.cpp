// Fuzz target: the processor a JVM library is built for, read from its PE or ELF header (LibraryMachine).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "discovery/Architecture.h"

using fuzz::Quoted;
using launcher::kMachineUnknown;
using launcher::LibraryMachine;

namespace {

uint32_t Little(const std::string& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << 8 * i;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const uint16_t machine = provider.ConsumeIntegral<uint16_t>();
    const uint16_t offset = provider.ConsumeIntegralInRange<uint16_t>(0x40, 0x400);
    const std::string header = provider.ConsumeRemainingBytesAsString();

    // Any bytes: a PE header's machine is the one at the offset its DOS
    // header names, and only when the signature is there.
    const uint16_t found = LibraryMachine(header);
    if (header.size() >= 0x40 && header.compare(0, 2, "MZ") == 0) {
        const uint32_t pe = Little(header, 0x3c, 4);
        const bool whole = pe <= header.size() && header.size() - pe >= 6 &&
                           header.compare(pe, 4, std::string("PE\0\0", 4)) == 0;
        FUZZ_CHECK(found == (whole ? Little(header, pe + 4, 2) : kMachineUnknown), Quoted(header));
    } else if (header.compare(0, 4, "\x7f" "ELF") != 0) {
        FUZZ_CHECK(found == kMachineUnknown, Quoted(header));
    }

    // A PE header built around the input: the machine written is read.
    std::string image = header;
    if (image.size() < offset + 6u) image.resize(offset + 6u, '\0');
    image.replace(0, 2, "MZ");
    for (int k = 0; k < 4; ++k) image[0x3c + k] = static_cast<char>(offset >> 8 * k);
    image.replace(offset, 4, std::string("PE\0\0", 4));
    image[offset + 4] = static_cast<char>(machine & 0xFF);
    image[offset + 5] = static_cast<char>(machine >> 8);
    FUZZ_CHECK(LibraryMachine(image) == machine, Quoted(image.substr(0, offset + 6)));
    // Cut before the machine field ends, it is no header.
    FUZZ_CHECK(LibraryMachine(image.substr(0, offset + 5)) == kMachineUnknown, "cut header");
    return 0;
}
