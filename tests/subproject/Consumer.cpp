// Names the outputs of an input and opens it, through nothing but quillane::core.
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/OutputNaming.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillane_consumer <input file>\n");
        return 2;
    }
    std::printf("%s\n", quillane::composeBesideInput(argv[1], 0, "").c_str());
    quillane::ScanImage scan;
    try {
        scan.open(argv[1]);
        scan.parse();
    } catch (const quillane::UserException& failure) {
        std::printf("%s\n", failure.what());
        return 1;
    }
    std::printf("%d x %d\n", scan.width, scan.height);
    return 0;
}
