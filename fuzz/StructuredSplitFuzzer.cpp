// Splits scanner files built from the fuzz bytes (see ScanGenerator.h), with the flip the bytes
// choose. Most of them are scans the program accepts, so the writer and the flips meet every
// shape, text length and record kind; every split is checked as the byte-level split fuzzer
// checks it: the two channel files read back by libtiff with the input's texts, resolution and
// samples, or nothing left behind and a reason given.
#include "FuzzInput.h"
#include "ScanGenerator.h"
#include "SplitCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>

using namespace quillane::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLibtiff();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const GeneratedScan scan = generateScan(provider);
    const std::string& input = writeInput(scan.bytes.data(), scan.bytes.size());
    splitAndCheck(input, readSource(input), scan.flip);
    return 0;
}
