// Writes the fuzz targets' seed inputs: scanner files of several shapes and record kinds, and
// one file for each way a file is refused. Usage: make_fuzz_corpus <folder>
#include "support/ScanBuilder.h"

#include <cstdio>
#include <functional>

using namespace quillane::testing;

namespace {

void save(const std::filesystem::path& folder, const std::string& name, const ScanBuilder& builder) {
    builder.write(folder / (name + ".tif"));
}

ScanBuilder changed(ScanBuilder builder, const std::function<void(ScanBuilder&)>& change) {
    change(builder);
    return builder;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const ScanBuilder scan = ScanBuilder::scan(4, 3);

    // Accepted scans.
    save(folder, "two-channels-4x3", scan);
    save(folder, "one-pixel", ScanBuilder::scan(1, 1));
    save(folder, "one-row", ScanBuilder::scan(9, 1));
    save(folder, "one-column", ScanBuilder::scan(1, 7));
    save(folder, "three-directories", changed(ScanBuilder::scan(3, 2, 3), [](auto& b) { b.recordChannelCount(2); }));
    save(folder, "four-channels", ScanBuilder::scan(3, 2, 4));
    save(folder, "odd-pixel-offsets", changed(scan, [](auto& b) { b.oddPixelOffsets = true; }));
    for (int kind : {1, 2, 4, 5, 7}) {
        save(folder, "record-kind-" + std::to_string(kind), changed(scan, [kind](auto& b) {
                 b.recordKind(kind).recordDescription("record description");
                 b.text(270, "tag description").text(37702, "private description");
             }));
    }
    save(folder, "texts", changed(scan, [](auto& b) {
             b.text(271, "abc").text(272, "Model 4000").text(305, "abcd").text(306, "2026:12:08 09:10:11");
             b.text(315, "").text(316, "scanner-pc");
         }));
    save(folder, "gel-tags", changed(scan, [](auto& b) {
             b.directories[0].set(longField(33445, 128));
             b.directories[0].set(rationalField(33446, 3, 3));
         }));
    save(folder, "short-strip-offsets", changed(scan, [](auto& b) { b.directories[0].find(273)->type = shortType; }));
    save(folder, "swapped-colours", changed(scan, [](auto& b) { b.colour(0, 1).colour(1, 0).pixelSize(0.5, 12.25); }));

    // Refused files.
    writeFile(folder / "seven-bytes.tif", {'I', 'I', 42, 0, 8, 0, 0});
    writeFile(folder / "big-endian.tif", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0});
    save(folder, "width-zero", changed(scan, [](auto& b) { b.directories[0].set(longField(256, 0)); }));
    save(folder, "eight-bit", changed(scan, [](auto& b) { b.directories[0].set(shortField(258, 8)); }));
    save(folder, "no-scanner-record", changed(scan, [](auto& b) { b.directories[0].remove(37701); }));
    save(folder, "no-strip-offsets", changed(scan, [](auto& b) { b.directories[0].remove(273); }));
    save(folder, "pixels-cut-short", changed(scan, [](auto& b) { b.truncateBy = 1; }));
    save(folder, "one-channel", changed(ScanBuilder::scan(4, 3, 1), [](auto& b) { b.recordChannelCount(1); }));
    save(folder, "count-disagrees", changed(scan, [](auto& b) { b.recordChannelCount(1); }));
    save(folder, "second-without-byte-counts", changed(scan, [](auto& b) { b.directories[1].remove(279); }));
    {
        Layout layout;
        auto bytes = changed(scan, [](auto& b) { b.recordChannelCount(9); }).build(&layout);
        put32(bytes, layout.nextOffsetField(bytes, 1), layout.directoryOffsets[0]);
        writeFile(folder / "looping-chain.tif", bytes);
    }
    return 0;
}
