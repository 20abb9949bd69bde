// Splits arbitrary bytes as an input scan, once without a flip and once with each flip. A run
// that ends with "Done!" must leave exactly the two channel files, which libtiff reads back with
// the input's texts, resolution and samples where the flip puts them; a refused run must leave
// nothing at all behind: no channel file, no temporary, no open descriptor.
#include "FuzzInput.h"
#include "SplitCheck.h"

#include <cstdint>
#include <optional>
#include <string>

using namespace quillane::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLibtiff();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& input = writeInput(data, size);
    const std::optional<Source> source = readSource(input);
    for (const Flip flip : {Flip::none, Flip::mainDiagonal, Flip::oppositeDiagonal}) splitAndCheck(input, source, flip);
    return 0;
}
