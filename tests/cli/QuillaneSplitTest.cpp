// quillane-split run as a user runs it, on scans written for each test: what it writes, what it
// prints, how it ends, compared with what the split run behind the window does with the same
// files.
#include "cli/ChildProcess.h"
#include "cli/CommandLine.h"
#include "split/OutputNaming.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

class QuillaneSplitTest : public ::testing::Test {
protected:
    TemporaryFolder scans;       // the inputs, and their outputs beside them
    TemporaryFolder reference;   // what the split run behind the window writes

    ProgramRun split(const std::vector<std::string>& arguments) {
        return runProgram(programBesideTest("quillane-split"), arguments, scans.path());
    }
    std::string scan(const std::string& name, std::uint32_t width = 7, std::uint32_t height = 5) {
        return ScanBuilder::scan(width, height).write(scans / name).string();
    }
    // An input the scan check refuses: it is no TIFF at all.
    std::string refusedScan(const std::string& name) {
        writeFile(scans / name, {'n', 'o', 't', ' ', 'a', ' ', 's', 'c', 'a', 'n'});
        return (scans / name).string();
    }
    // The window's split of `inputs` into the reference folder; its last message.
    std::string windowSplit(const std::vector<std::string>& inputs, bool flip = false, bool mainDiagonal = false) {
        RecordingHost host;
        host.options = {reference.path().string(), false, flip, mainDiagonal};
        host.inputs = inputs;
        RecordingPlatform platform(host);
        std::string lastMessage;
        host.onMessage = [&lastMessage](const std::string& text) { lastMessage = text; };
        SplitRun(host, platform);
        return lastMessage;
    }
    // A failure as quillane-split states it: on one line, naming its file.
    static std::string stated(const std::string& file, std::string message) {
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
        const std::string named = file + " : ";
        return "quillane-split: " + (message.rfind(named, 0) == 0 ? message : named + message) + "\n";
    }
    static std::string lines(const std::vector<fs::path>& paths) {
        std::string text;
        for (const fs::path& path : paths) text += path.string() + '\n';
        return text;
    }
};

// Each flip choice, into a folder and beside the inputs: the same files, byte for byte, as the
// window's split, with their paths on standard output in order and nothing on standard error.
TEST_F(QuillaneSplitTest, WritesWhatTheWindowWritesAndListsThePaths) {
    struct Case {
        std::vector<std::string> flipArguments;
        bool flip;
        bool mainDiagonal;
        std::string suffix;
    };
    const std::vector<Case> cases = {
        {{}, false, false, ""},
        {{"--flip", "main"}, true, true, "_FlippedLLtoUR"},
        {{"--flip=opposite"}, true, false, "_FlippedULtoLR"},
    };
    const std::string first = scan("slide01.tif", 7, 5);
    const std::string second = scan("slide.part.TIF", 3, 9);
    for (const Case& c : cases) {
        for (const bool intoFolder : {true, false}) {
            SCOPED_TRACE(c.suffix + (intoFolder ? " into a folder" : " beside the inputs"));
            const TemporaryFolder out;
            const fs::path written = intoFolder ? out.path() : scans.path();
            std::vector<std::string> arguments = c.flipArguments;
            if (intoFolder) arguments.insert(arguments.end(), {"--out", out.path().string()});
            arguments.insert(arguments.end(), {first, second});

            const ProgramRun run = split(arguments);
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, "");
            const std::vector<std::string> names = {"Redslide01" + c.suffix + ".tif", "Greenslide01" + c.suffix + ".tif",
                                                    "Redslide.part" + c.suffix + ".TIF",
                                                    "Greenslide.part" + c.suffix + ".TIF"};
            std::vector<fs::path> paths;
            for (const std::string& name : names) paths.push_back(written / name);
            EXPECT_EQ(run.out, lines(paths));

            ASSERT_EQ(windowSplit({first, second}, c.flip, c.mainDiagonal), "Successfully created files ");
            for (const std::string& name : names) {
                EXPECT_EQ(readFile(written / name), readFile(reference / name)) << name;
                fs::remove(written / name);
                fs::remove(reference / name);
            }
        }
    }
}

TEST_F(QuillaneSplitTest, FlipsThePixelsAlongTheChosenDiagonal) {
    const std::string input = scan("slide01.tif", 6, 4);
    for (const bool mainDiagonal : {true, false}) {
        SCOPED_TRACE(mainDiagonal ? "main" : "opposite");
        const ProgramRun run = split({"--quiet", "--flip", mainDiagonal ? "main" : "opposite", input});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string suffix = mainDiagonal ? "_FlippedLLtoUR" : "_FlippedULtoLR";
        for (const int channel : {0, 1}) {
            const TiffReadBack file = readTiff(scans / ((channel == 0 ? "Redslide01" : "Greenslide01") + suffix + ".tif"));
            ASSERT_TRUE(file.opened);
            EXPECT_EQ(file.width, 4u);
            EXPECT_EQ(file.height, 6u);
            EXPECT_EQ(firstMismatches(reflectedPatternImage(channel, 6, 4, mainDiagonal), file.pixels, 4), "");
        }
    }
}

// --preview splits nothing: it writes the red and green picture of the channels as they would be
// written (here flipped: 5 wide, 7 high) and prints their figures; a file the split refuses is
// refused with the split's line, and no picture is written.
TEST_F(QuillaneSplitTest, PreviewWritesThePictureOfTheWrittenChannelsAndTheirFigures) {
    ScanBuilder builder = ScanBuilder::scan(7, 5);
    builder.samples[1][3] = 0xFFFF;
    const std::string input = builder.write(scans / "a.tif").string();
    const ProgramRun run = split({"--preview", "a.png", "--flip", "main", input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Red: minimum ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nGreen: minimum "), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.ends_with(", saturated 1 (2.857 %)\n")) << "one sample in 35";
    const std::vector<std::uint8_t> png = readFile(scans / "a.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin() + 16, png.begin() + 24), (std::vector<std::uint8_t>{0, 0, 0, 5, 0, 0, 0, 7}));

    const std::string refused = refusedScan("b.tif");
    const ProgramRun refusal = split({"--preview", "b.png", refused});
    EXPECT_EQ(refusal.status, 1);
    EXPECT_EQ(refusal.err, stated(refused, windowSplit({refused})));
    EXPECT_EQ(namesIn(scans.path()), (std::vector<std::string>{"a.png", "a.tif", "b.tif"}));

    // The picture replaces a PNG picture only (a.png, here with --json): the scan itself, another
    // scan, a folder and a device are refused, saying which.
    fs::create_directory(scans / "pictures");
    for (const std::string& picture : {input, scan("c.tif"), (scans / "pictures").string(), std::string(nativePathStyle == PathStyle::posix ? "/dev/null" : "NUL")}) {
        const ProgramRun refusedPicture = split({"--preview", picture, input});
        EXPECT_TRUE(refusedPicture.status == 1 && refusedPicture.err.find(picture + " : This ") != std::string::npos) << refusedPicture.err;
    }
    // Smaller on request: 7 high in at most 3 pixels takes blocks of 3, 2 × 3 of them.
    const ProgramRun json = split({"--json", "--preview", "a.png", "--preview-size", "3", "--flip", "main", input});
    EXPECT_NE(json.out.find(R"("status":"previewed")"), std::string::npos) << json.out << json.err;
    const std::vector<std::uint8_t> small = readFile(scans / "a.png");
    EXPECT_EQ(std::vector<std::uint8_t>(small.begin() + 16, small.begin() + 24), (std::vector<std::uint8_t>{0, 0, 0, 2, 0, 0, 0, 3}));
}

// A refused file between two good ones: the window's message, prefixed with the program's name.
// Without --keep-going the run ends there, as in the window; with it the third file is split
// too and the failures are listed at the end. Either way the status is 1.
TEST_F(QuillaneSplitTest, RefusedFileEndsTheRunOrIsListedWithKeepGoing) {
    const std::string good = scan("a.tif");
    const std::string refused = refusedScan("b.tif");
    const std::string later = scan("c.tif");
    const std::string message = windowSplit({refused});
    ASSERT_NE(message, "");
    const std::string failure = stated(refused, message);

    const ProgramRun stopped = split({good, refused, later});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, failure);
    EXPECT_EQ(stopped.out, lines({scans / "Reda.tif", scans / "Greena.tif"}));
    EXPECT_EQ(namesIn(scans.path()), (std::vector<std::string>{"Greena.tif", "Reda.tif", "a.tif", "b.tif", "c.tif"}));

    const ProgramRun kept = split({"--keep-going", good, refused, later});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.err, failure + "quillane-split: 1 of 3 files not split:\n  " + refused + "\n");
    EXPECT_EQ(kept.out, lines({scans / "Reda.tif", scans / "Greena.tif", scans / "Redc.tif", scans / "Greenc.tif"}));

    // --quiet silences progress, never the failures, and leaves the listed paths alone.
    const ProgramRun quiet = split({"--quiet", "--keep-going", good, refused, later});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.err, kept.err);
    EXPECT_EQ(quiet.out, kept.out);
}

// Two inputs of one name from different folders into one output folder would write the same two
// files: the run refuses before writing anything, naming both, as the window does. With
// --keep-going only the later of the two is refused. A file named twice is split once.
TEST_F(QuillaneSplitTest, InputsThatWouldWriteOneFileAreRefusedBeforeWriting) {
    fs::create_directories(scans / "d1");
    fs::create_directories(scans / "d2");
    const std::string first = scan("d1/x.tif");
    const std::string second = scan("d2/x.tif");
    const std::string other = scan("y.tif");
    const TemporaryFolder out;
    const auto refusal = [&](const fs::path& folder) {
        return second + " : Its channel file " + (folder / "Redx.tif").string() + " would also be written for " + first +
               ". Split them into different output folders";
    };
    ASSERT_EQ(windowSplit({first, other, second}), refusal(reference.path()));
    const std::string message = refusal(out.path());

    const ProgramRun stopped = split({"--out", out.path().string(), first, other, second});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, "quillane-split: " + message + "\n");
    EXPECT_EQ(stopped.out, "");
    EXPECT_EQ(namesIn(out.path()), std::vector<std::string>{});

    const ProgramRun kept = split({"--keep-going", "--out", out.path().string(), first, other, second, other});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.err, "quillane-split: " + message + "\nquillane-split: 1 of 4 files not split:\n  " + second + "\n");
    EXPECT_EQ(kept.out, lines({out / "Redx.tif", out / "Greenx.tif", out / "Redy.tif", out / "Greeny.tif"}));
    ASSERT_EQ(windowSplit({first}), "Successfully created files ");
    EXPECT_EQ(readFile(out / "Redx.tif"), readFile(reference / "Redx.tif"));
}

// --check and --info read each file as a split does, say what they found and write nothing;
// each refusal is the split's, and any refusal makes the status 1.
TEST_F(QuillaneSplitTest, CheckAndInfoReadEachFileAndWriteNothing) {
    const std::string good = scan("a.tif", 7, 5);
    const std::string refused = refusedScan("b.tif");
    const std::string single = ScanBuilder::scan(7, 5, 1).write(scans / "c.tif").string();
    const std::string missing = (scans / "missing").string();
    const auto failure = [this](const std::string& file) { return stated(file, windowSplit({file})); };
    const std::string info = good + "\n  size:          7 x 5 pixels\n  channels:      2 (Red, Green)\n"
                             "  pixel size:    5 x 5 micrometres\n  host computer: NONE\n  model:         NONE\n"
                             "  make:          NONE\n  software:      NONE\n  artist:        NONE\n"
                             "  date and time: NONE\n  description:   NONE\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--check", good}, 0, good + " : valid\n", ""},
        {{"--check", refused, good, single}, 1, good + " : valid\n", failure(refused) + failure(single)},
        {{"--check", "--out", missing, good}, 1, "", "quillane-split: " + good + " : The Output path (" + missing +
                                                         ") is not a valid path. Please correct this and try again\n"},
        {{"--info", good}, 0, info, ""},
        {{"--info", refused, good}, 1, info, failure(refused)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + c.arguments[1]);
        const ProgramRun run = split(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_EQ(namesIn(scans.path()), (std::vector<std::string>{"a.tif", "b.tif", "c.tif"}));
#ifndef _WIN32
    // A Green name over the system's 255 bytes is refused as the split refuses it.
    const std::string longName = scan(std::string(248, 'n') + ".tif");
    const ProgramRun tooLong = split({"--check", "--out", reference.path().string(), longName});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, failure(longName));
#endif
}

// A failing disk under a scan (slow-folder.py failing the reads of one page: the header's, the
// record's or the pixels') or under standard output (/dev/full): every mode says so in the
// system's words and ends with status 1; the watch goes on to the next scan.
TEST_F(QuillaneSplitTest, FailingDiskIsReportedInEveryMode) {
#ifdef _WIN32
    GTEST_SKIP() << "the failing disks are a FUSE folder and /dev/full of the Linux side";
#else
    const std::string input = scan("a.tif"), program = programBesideTest("quillane-split").string();
    for (const std::string& mode : std::vector<std::string>{"--out " + reference.path().string(), "--check", "--info", "--json --info",
                                                            "--preview a.png", "--json --preview b.png", "--version #", "--help #", "--watch . #"}) {
        // A watch goes on until it is told to stop; any other run ends by itself, however slowly it starts.
        const std::string limit = mode.starts_with("--watch") ? "2" : "60";
        const ProgramRun run = runProgram("/usr/bin/timeout", {"--preserve-status", "-s", "TERM", limit, "/bin/sh", "-c", "exec >/dev/full " + program + " " + mode + " " + input}, scans.path());
        EXPECT_TRUE(run.status == 1 && run.err.find("standard output could not be written in full: " + std::string(std::strerror(ENOSPC))) != run.err.npos) << mode << run.err;
    }
    const TemporaryFolder disk;
    for (const char* folder : {"backing", "mount"}) fs::create_directories(disk / folder);
    writeFile(disk / "backing" / "ready", {});
    RunningProgram server("/usr/bin/python3", {std::string(QUILLANE_TESTS_DIR) + "/win32/slow-folder.py", "backing", "mount", "1000000000000"}, disk.path());
    for (int tries = 0; tries < 100 && !fs::exists(disk / "mount" / "ready"); ++tries) usleep(100000);
    if (!fs::exists(disk / "mount" / "ready")) GTEST_SKIP() << "FUSE could not mount a folder here";
    ScanBuilder builder = ScanBuilder::scan(256, 256);
    builder.directories[0].set(textField(50000, std::string(20000, 'x')));  // the record on a page of its own
    Layout layout;
    builder.build(&layout);
    const std::string eio = std::strerror(EIO), reads[] = {"4", std::to_string(layout.recordOffset + 8), std::to_string(layout.pixelOffsets[1] + 40000)};
    for (const std::string& at : reads) {
        const std::string name = builder.write(disk / "backing" / ("scan@" + at + ".tif")).filename().string();
        std::vector<std::vector<std::string>> modes = {{"--out", reference.path().string()}, {"--preview", "p.png"}};
        if (at != reads[2]) modes.insert(modes.end(), {{"--check"}, {"--info"}, {"--json", "--info"}});  // the pixels are not read
        for (std::vector<std::string> mode : modes) {
            mode.push_back((disk / "mount" / name).string());
            const ProgramRun run = split(mode);
            EXPECT_TRUE(run.status == 1 && run.err.find(mode.back() + " : " + eio) != run.err.npos) << run.status << run.err;
        }
    }
    ScanBuilder::scan(7, 5).write(disk / "backing" / "good.tif");
    RunningProgram watch(program, {"--watch", "mount", "--out", reference.path().string()}, disk.path());
    EXPECT_TRUE(watch.waitFor([](const std::string& out) { return out.find("Greengood.tif") != out.npos; })) << "the watch goes on";
    for (const std::string& at : reads) EXPECT_TRUE(watch.waitFor([&](const std::string& out) { return out.find(at + ".tif : " + eio) != out.npos; }));
    watch.signal(SIGTERM);
    EXPECT_EQ(watch.wait(), 0);
    runProgram("/bin/fusermount3", {"-u", "mount"}, disk.path());
#endif
}

// --json gives one object per file for every kind of run, which Python's json and jq read; a
// name that is not UTF-8 comes back byte for byte from its "Base64" field.
TEST_F(QuillaneSplitTest, JsonReportsAreReadByPythonAndJq) {
#ifdef _WIN32
    GTEST_SKIP() << "Python and jq read the reports of the Linux build; Windows names are always UTF-8";
#else
    // Names given relative to the working folder, of lengths that leave every Base64 remainder.
    const std::vector<std::string> odd = {"\xff.tif", "a\xfe.tif", "ab\xff.tif"};
    for (const std::string& name : odd) ScanBuilder::scan(7, 5).write(scans / name);
    refusedScan("b.tif");
    const auto hex = [](const std::string& bytes) {
        std::string text;
        for (const unsigned char byte : bytes) text += "0123456789abcdef"[byte >> 4], text += "0123456789abcdef"[byte & 15];
        return text;
    };
    // Each object's status, its input's bytes, facts and outputs' bytes as Python reads them.
    const std::string python =
        "import base64, json, sys\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    o = json.loads(line)\n"
        "    raw = base64.b64decode(o['inputBase64']) if 'inputBase64' in o else o['input'].encode()\n"
        "    outputs = [base64.b64decode(b).hex() for b in o.get('outputsBase64', [])]\n"
        "    print(o['status'], raw.hex(), o.get('width'), o.get('channels'), o.get('pixelSize'), *outputs)\n";
    const auto read = [&](const std::string& good, const std::string& bad, bool outputs) {
        std::string text;
        for (const std::string& name : odd) {
            text += good + " " + hex(name) + " 7 2 {'x': 5.0, 'y': 5.0}";
            if (outputs) text += " " + hex("Red" + name) + " " + hex("Green" + name);
            text += "\n";
        }
        return text + bad + " " + hex("b.tif") + " None None None\n";
    };
    struct Case {
        std::vector<std::string> arguments;
        std::string read;
        std::string jq;  // holds for every good file's object
    };
    const std::vector<Case> cases = {
        {{"--json", "--keep-going"}, read("split", "failed", true), ".outputsBase64 | length == 2"},
        {{"--check", "--json"}, read("valid", "refused", true), ".flip == \"none\" and .message == \"\""},
        {{"--info", "--json"}, read("read", "refused", false), ".colours == [\"Red\", \"Green\"] and .texts.model == \"NONE\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), odd.begin(), odd.end());
        arguments.push_back("b.tif");
        const ProgramRun run = split(arguments);
        EXPECT_EQ(run.status, 1);
        const fs::path report = reference / "report.jsonl";
        writeFile(report, std::vector<std::uint8_t>(run.out.begin(), run.out.end()));
        EXPECT_EQ(runProgram("/usr/bin/python3", {"-c", python, report.string()}, scans.path()).out, c.read);
        const std::string query = "map(select(.width == 7)) | length == 3 and all(.[]; " + c.jq + ")";
        const ProgramRun jq = runProgram("/usr/bin/jq", {"-e", "-s", query, report.string()}, scans.path());
        EXPECT_EQ(jq.status, 0) << jq.out << jq.err;
    }
#endif
}

// The window's message, on one line that names the file: Windows' system texts end in a line
// break of their own, and the window's text for a file too small names no file.
TEST_F(QuillaneSplitTest, FailuresAreTheWindowsMessagesOnOneLineNamingTheirFile) {
    const std::string missing = (scans / "absent.tif").string();
    const ProgramRun run = split({missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, stated(missing, windowSplit({missing})));
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    EXPECT_EQ(run.out, "");

    // Cut short inside its pixels.
    const std::string cut = scan("cut.tif", 64, 64);
    fs::resize_file(cut, fs::file_size(cut) - 100);
    EXPECT_EQ(windowSplit({cut}), "This file is too small to be a tiff file");
    EXPECT_EQ(split({cut}).err, "quillane-split: " + cut + " : This file is too small to be a tiff file\n");
}

// On the disks a lab uses, made where the machine allows: on an exFAT stick (through FUSE, which
// gives each spelling of a name its own file number) two scans whose outputs differ only in case,
// and a scan whose output is another input in other case, are refused before anything is written,
// the inputs untouched; on a full tmpfs the scan's earlier files stay as they were when the second
// cannot be written, and the line names each file once. No FAT row: the one FAT driver that mounts
// here without the kernel's (fusefat) refuses to replace a file and cuts long names, as no FAT stick does.
TEST_F(QuillaneSplitTest, OnTheDisksALabUses) {
#ifdef _WIN32
    GTEST_SKIP() << "the disks are made with Linux's tools";
#else
    if (::geteuid() != 0) GTEST_SKIP() << "making and mounting file systems needs root";
    const std::string first = scan("a.tif", 7, 5), second = scan("b.tif", 5, 3), large = scan("x.tif", 512, 512);
    const auto onDisk = [&](const std::string& kind, const std::string& command) {
        const std::string setting = "Q=" + programBesideTest("quillane-split").string() + " R=" + scans.path().string() + "; ";
        return runProgram("/bin/sh", {QUILLANE_TESTS_DIR "/cli/on-a-disk.sh", kind, (scans / kind).string(), setting + command},
                          scans.path()).status;
    };
    const auto result = [&](const char* name) {
        const std::vector<std::uint8_t> bytes = readFile(scans / name);
        return std::string(bytes.begin(), bytes.end());
    };
    for (const auto& [kind, tools] : {std::pair{"exfat", "mount.exfat-fuse mkfs.exfat"}}) {
        SCOPED_TRACE(kind);
        if (runProgram("/bin/sh", {"-c", std::string("command -v unshare losetup ") + tools + " && test -c /dev/fuse"}, scans.path()).status) {
            std::printf("no %s disk: this machine lacks %s or /dev/fuse\n", kind, tools);
            continue;
        }
        ASSERT_EQ(onDisk(kind, "mkdir d1 d2 out && cp " + first + " d1/Slide01.tif && cp " + first + " d2/slide01.tif && "
                               "\"$Q\" --out out d1/Slide01.tif d2/slide01.tif 2>\"$R/err\"; echo $? >\"$R/status\"; ls -A out >\"$R/names\""), 0);
        EXPECT_EQ(result("status") + result("names"), "1\n");
        EXPECT_EQ(result("err"), "quillane-split: d2/slide01.tif : Its channel file out/Redslide01.tif would also be "
                                 "written for d1/Slide01.tif. Split them into different output folders\n");
        EXPECT_EQ(onDisk(kind, "mkdir in && cp " + first + " in/scan.tif && cp " + second + " in/REDscan.tif && \"$Q\" --keep-going "
                               "in/scan.tif in/REDscan.tif 2>\"$R/err\"; ls -A in | LC_ALL=C sort >\"$R/names\"; cmp in/REDscan.tif " + second),
                  0) << "the input changed";
        EXPECT_EQ(result("err"), "quillane-split: in/scan.tif : Its channel file in/Redscan.tif would replace in/REDscan.tif, "
                                 "which is also to be split\nquillane-split: 1 of 2 files not split:\n  in/scan.tif\n");
        EXPECT_EQ(result("names"), "GreenREDscan.tif\nREDscan.tif\nRedREDscan.tif\nscan.tif\n");
    }
    // Room for the red file, not for the green one.
    ASSERT_EQ(onDisk("tmpfs", "printf earlier >Redx.tif && printf earlier >Greenx.tif && \"$Q\" --out \"$PWD\" " + large +
                                  " >\"$R/out\" 2>\"$R/err\"; echo $? >\"$R/status\"; ls -A >\"$R/names\"; cat Redx.tif Greenx.tif >>\"$R/names\""),
              0);
    EXPECT_EQ(result("err"), "quillane-split: " + large + " : Disk full while accessing " + (scans / "tmpfs/disk/Greenx.tif").string() + ".\n");
    EXPECT_EQ(result("status") + result("out"), "1\n") << "no file changed";
    EXPECT_EQ(result("names"), "Greenx.tif\nRedx.tif\nearlierearlier");
#endif
}

// Standard error is a file here, not a terminal: no progress line, with or without --quiet.
TEST_F(QuillaneSplitTest, ShowsNoProgressWhenStandardErrorIsNoTerminal) {
    const std::string input = scan("slide01.tif");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{input}, std::vector<std::string>{"--quiet", input}, std::vector<std::string>{"-q", input}}) {
        const ProgramRun run = split(arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, lines({scans / "Redslide01.tif", scans / "Greenslide01.tif"}));
    }
}

// On a terminal each file gets a progress line: its number, its name and the run's ten stages
// as a bar drawn over itself, ended before anything else is said. --quiet leaves only errors.
TEST_F(QuillaneSplitTest, ShowsProgressOnATerminalUnlessQuiet) {
#ifdef _WIN32
    GTEST_SKIP() << "a console cannot be given to a child process whose output a test reads";
#else
    const std::string good = scan("a.tif");
    const std::string refused = refusedScan("b.tif");
    const auto progressLine = [](int number, const std::string& file, int stages) {
        std::string text;
        for (int pos = 1; pos <= stages; ++pos)
            text += "\rfile " + std::to_string(number) + " of 2  " + file + "  [" + std::string(2 * pos, '#') +
                    std::string(20 - 2 * pos, ' ') + "]";
        return text + "\n";
    };
    const std::string failure = "quillane-split: " + windowSplit({refused}) + "\n";

    const ProgramRun shown = runProgramOnTerminal(programBesideTest("quillane-split"), {good, refused}, scans.path());
    EXPECT_EQ(shown.status, 1);
    // The refused file gets as far as opening: position 1, then its message on a line of its own.
    EXPECT_EQ(shown.err, progressLine(1, good, 10) + progressLine(2, refused, 1) + failure);
    EXPECT_EQ(shown.out, lines({scans / "Reda.tif", scans / "Greena.tif"}));

    const ProgramRun quiet =
        runProgramOnTerminal(programBesideTest("quillane-split"), {"--quiet", good, refused}, scans.path());
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.err, failure);
    EXPECT_EQ(quiet.out, shown.out);
#endif
}

// The window's folder message, once, status 1, and nothing written anywhere: the folder is not
// made.
TEST_F(QuillaneSplitTest, OutputFolderThatCannotBeEnteredWritesNothing) {
    const std::string first = scan("a.tif");
    const std::string second = scan("b.tif");
    const std::string missing = (scans / "missing").string();
    for (const bool keepGoing : {false, true}) {
        std::vector<std::string> arguments = {"--out", missing, first, second};
        if (keepGoing) arguments.insert(arguments.begin(), "--keep-going");
        const ProgramRun run = split(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quillane-split: The Output path (" + missing +
                               ") is not a valid path. Please correct this and try again\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(namesIn(scans.path()), (std::vector<std::string>{"a.tif", "b.tif"}));
    }
}

TEST_F(QuillaneSplitTest, UsageErrorsGiveAHintAndStatusTwo) {
    const std::string input = scan("a.tif");
    struct Case {
        std::vector<std::string> arguments;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {{"--bogus", input}, "unknown option '--bogus'"},
        {{input, "-x"}, "unknown option '-x'"},
        {{input, "--out"}, "option '--out' needs a value"},
        {{"--out", "--flip", "main", input}, "option '--out' needs a value"},
        {{"--flip", "-q", input}, "option '--flip' needs a value"},
        {{"-", input}, "'-' (standard input) cannot be split: name the files"},
        {{input, "-"}, "'-' (standard input) cannot be split: name the files"},
        {{"--out=", input}, "option '--out' needs a folder"},
        {{"--flip", "sideways", input}, "option '--flip' takes main or opposite, not 'sideways'"},
        {{}, "no input files"},
        {{"--quiet", "--keep-going"}, "no input files"},
        {{"--check", "--info", input}, "options '--check' and '--info' cannot be used together"},
        {{"--watch", ".", input}, "'--watch' takes its scans from its folder, not from files"},
        {{"--watch="}, "option '--watch' needs a folder"},
        {{"--poll", "5", input}, "option '--poll' needs '--watch'"},
        {{"--watch", ".", "--poll", "0"}, "option '--poll' takes a number of seconds from 1 to 86400, not '0'"},
        {{"--watch", ".", "--poll=86401"}, "option '--poll' takes a number of seconds from 1 to 86400, not '86401'"},
        {{"--check", "--json"}, "no input files"},
        {{"-0", "--json", input}, "option '--print0' lists the paths a split writes, without '--json'"},
        {{"--info", "--print0", input}, "option '--print0' lists the paths a split writes, without '--json'"},
        {{"--check", "--preview", "p.png", input}, "options '--check' and '--preview' cannot be used together"},
        {{"--preview", "p.png", input, input}, "option '--preview' takes one FILE and writes no channel files, so no '--out'"},
        {{"--preview", "p.png", "--out", "d", input}, "option '--preview' takes one FILE and writes no channel files, so no '--out'"},
        {{"--preview-size", "8", input}, "option '--preview-size' needs '--preview'"},
        {{"--preview", "p.png", "--preview-size=4097", input}, "option '--preview-size' takes a number of pixels from 1 to 4096, not '4097'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const ProgramRun run = split(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "quillane-split: " + c.problem + "\nTry 'quillane-split --help'.\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(namesIn(scans.path()), std::vector<std::string>{"a.tif"});
}

TEST_F(QuillaneSplitTest, HelpAndVersion) {
    const ProgramRun help = split({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillane-split [--out DIR] [--flip main|opposite] [--keep-going] [--quiet] [--print0] FILE...\n", 0), 0u)
        << help.out;
    EXPECT_EQ(help.err, "");

    // Nothing after --version is looked at.
    const ProgramRun version = split({"--version", "--bogus"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillane-split 1.6.3.1 (A.6.3.1)\n");
    EXPECT_EQ(version.err, "");
}

// "--" ends the options: a file whose name starts with a dash is split like any other.
TEST_F(QuillaneSplitTest, DoubleDashEndsTheOptions) {
    scan("-dash.tif");
    const ProgramRun run = split({"--", "-dash.tif"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Red-dash.tif\nGreen-dash.tif\n");
}

// A name in other scripts than the machine's code page: Greek and Japanese on a Western
// Windows, Greek on a Japanese one. Its bytes are UTF-8 on both systems (on Windows by the
// programs' manifest), in the arguments, on disk and in the printed paths.
TEST_F(QuillaneSplitTest, SplitsNamesInAnyScript) {
    const auto utf8 = [](const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); };
    const std::string name = utf8(u8"Σάρωση_走査.tif");  // Σάρωση_走査.tif
    ScanBuilder::scan(7, 5).write(scans.path() / fs::path(u8"Σάρωση_走査.tif"));
    const std::string folder = scans.path().string() + (nativePathStyle == PathStyle::windows ? "\\" : "/");

    const ProgramRun run = split({folder + name});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, folder + "Red" + name + "\n" + folder + "Green" + name + "\n");
    EXPECT_TRUE(fs::exists(scans.path() / fs::path(u8"RedΣάρωση_走査.tif")));
    EXPECT_TRUE(fs::exists(scans.path() / fs::path(u8"GreenΣάρωση_走査.tif")));

    // -0 ends each path with a NUL, for xargs -0: a name with a space stays whole.
    ScanBuilder::scan(3, 3).write(scans.path() / "two words.tif");
    const ProgramRun nulEnded = split({"-0", folder + "two words.tif"});
    EXPECT_EQ(nulEnded.out, folder + "Redtwo words.tif" + '\0' + folder + "Greentwo words.tif" + '\0');

    const ProgramRun missing = split({folder + "x" + name});
    EXPECT_EQ(missing.err.rfind("quillane-split: " + folder + "x" + name + " : ", 0), 0u) << missing.err;

    // A path of 100 Japanese characters (300 bytes of UTF-8; Windows counts them as 100 of its 260).
    std::u8string fifty;
    for (int i = 0; i < 50; ++i) fifty += u8"走";
    const fs::path deep = scans.path() / fs::path(fifty) / fs::path(fifty);
    fs::create_directories(deep);
    const std::string fiftyText = utf8(fifty.c_str());
    const ProgramRun japanese = split({"--out", folder + fiftyText + folder.back() + fiftyText, folder + name});
    EXPECT_EQ(japanese.status, 0) << japanese.err;
    EXPECT_EQ(readFile(deep / fs::path(u8"GreenΣάρωση_走査.tif")), readFile(scans.path() / fs::path(u8"GreenΣάρωση_走査.tif")));

    // Two folders of 45 characters beside the input: 270 bytes of UTF-8, 92 UTF-16 units.
    const std::string beside = folder + fiftyText.substr(0, 135) + folder.back() + fiftyText.substr(0, 135) + folder.back();
    fs::create_directories(fs::path(std::u8string(beside.begin(), beside.end())));
    ScanBuilder::scan(7, 5).write(fs::path(std::u8string(beside.begin(), beside.end())) / "chip_03.tif");
    const ProgramRun nested = split({beside + "chip_03.tif"});
    EXPECT_EQ(nested.out, beside + "Redchip_03.tif\n" + beside + "Greenchip_03.tif\n") << nested.err;
}

TEST_F(QuillaneSplitTest, ExpandsWildcardsOnWindows) {
#ifndef _WIN32
    GTEST_SKIP() << "on Linux the shell expands wildcards before the program starts";
#endif
    scan("slide01.tif");
    scan("slide02.tif");
    refusedScan("notes.txt");
    const ProgramRun run = split({"slide*.tif"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Redslide01.tif\nGreenslide01.tif\nRedslide02.tif\nGreenslide02.tif\n");

    // A pattern that matches nothing is said to, and the files that are there are still split.
    const ProgramRun none = split({"*.nothing", "slide01.tif", "scan?.tif"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "quillane-split: no file matches *.nothing\nquillane-split: no file matches scan?.tif\n");
    EXPECT_EQ(none.out, "Redslide01.tif\nGreenslide01.tif\n");
    const ProgramRun only = split({"*.nothing"});
    EXPECT_EQ(only.status, 1);
    EXPECT_EQ(only.err, "quillane-split: no file matches *.nothing\n");
}

// Only Windows' names cannot hold a wildcard; its long and device paths begin with one.
TEST(CommandLineWildcards, OnlyWindowsNamesWithWildcardsMatchedNothing) {
    EXPECT_TRUE(isUnmatchedWildcard("*.nothing", PathStyle::windows));
    EXPECT_TRUE(isUnmatchedWildcard("C:\\scans\\slide?.tif", PathStyle::windows));
    EXPECT_TRUE(isUnmatchedWildcard("\\\\?\\C:\\scans\\*.tif", PathStyle::windows));
    EXPECT_FALSE(isUnmatchedWildcard("\\\\?\\C:\\scans\\a.tif", PathStyle::windows));
    EXPECT_FALSE(isUnmatchedWildcard("\\\\.\\C:\\scans\\a.tif", PathStyle::windows));
    EXPECT_FALSE(isUnmatchedWildcard("C:\\scans\\a.tif", PathStyle::windows));
    EXPECT_FALSE(isUnmatchedWildcard("/scans/what?.tif", PathStyle::posix)) << "a POSIX name may hold a '?'";
}

}  // namespace
}  // namespace quillane
