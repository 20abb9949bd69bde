// What only the Windows build does: the system's texts through FormatMessageA, the input's share
// mode, Windows error codes sorted into the file layer's causes, the atomic replacement of an
// output with MoveFileExA, the guard against in-page errors and the Windows path style.
#include "hardening/FaultyFileSystem.h"
#include "output/ChannelWriter.h"
#include "output/Flip.h"
#include "platform/FileError.h"
#include "platform/FileSystemCalls.h"
#include "platform/MappedFile.h"
#include "platform/OutputFile.h"
#include "platform/SystemError.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/OutputNaming.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <barrier>
#include <stdexcept>
#include <thread>

#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

std::string fullPathOf(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

std::string writeFailure(ChannelWriter& writer, const std::string& path) {
    try {
        writer.writeChannel(path, 0);
    } catch (const UserException& failure) {
        return failure.message;
    }
    return "(written)";
}

// --- The system's texts ---------------------------------------------------------------------

TEST(WindowsSystemText, IsFormatMessageTextUntrimmedWithItsLineBreak) {
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_FILE_INVALID,
                             ERROR_SHARING_VIOLATION, ERROR_DISK_FULL}) {
        SCOPED_TRACE(code);
        char* expected = nullptr;
        const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                                  FORMAT_MESSAGE_IGNORE_INSERTS,
                                              nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                              reinterpret_cast<LPSTR>(&expected), 0, nullptr);
        ASSERT_GT(length, 2u);
        const std::string text = systemErrorText(code);
        EXPECT_EQ(text, std::string(expected, length));
        ::LocalFree(expected);
        // Windows ends its texts with a line break; it is kept, as the system gives it.
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}

TEST(WindowsSystemText, InsertsReadAsEmptyAndUnknownCodesHaveNoText) {
    // "The wrong diskette is in the drive. Insert %2 (Volume Serial Number: %3) into drive %1."
    const std::string withInserts = systemErrorText(ERROR_WRONG_DISK);
    EXPECT_EQ(withInserts.find('%'), std::string::npos) << withInserts;
    EXPECT_EQ(systemErrorText(0x2000BEEF), "");  // customer bit set: never a system code
}

TEST(WindowsSystemText, SeparatorFollowsOnlyAPathOfTwoOrMoreCharacters) {
    const std::string text = systemErrorText(ERROR_FILE_NOT_FOUND);
    const struct {
        std::string path;
        DWORD code;
        std::string expected;
    } cases[] = {
        {"", ERROR_FILE_NOT_FOUND, text},
        {"C", ERROR_FILE_NOT_FOUND, "C" + text},
        {"C:", ERROR_FILE_NOT_FOUND, "C: : " + text},
        {R"(C:\scans\slide01.tif)", ERROR_FILE_NOT_FOUND, R"(C:\scans\slide01.tif : )" + text},
        {R"(C:\scans\slide01.tif)", 0x2000BEEF, R"(C:\scans\slide01.tif : )"},
    };
    for (const auto& c : cases) EXPECT_EQ(UserException(c.path, c.code).what(), c.expected) << c.path;
}

// --- The input file -------------------------------------------------------------------------

TEST(WindowsInput, OtherProgramsMayReadButNotWriteOrDeleteItWhileItIsMapped) {
    TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(4, 3).write(folder / "scan.tif").string();
    const auto tryOpen = [&](DWORD access, DWORD share) {
        const HANDLE file = ::CreateFileA(input.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        return error;
    };
    {
        ScanImage scan;
        scan.open(input);
        ASSERT_TRUE(scan.inputFile().isMapped());
        EXPECT_EQ(tryOpen(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE), ERROR_SUCCESS) << "a reader";
        EXPECT_EQ(tryOpen(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), ERROR_SHARING_VIOLATION) << "a writer";
        EXPECT_FALSE(::DeleteFileA(input.c_str()));
        // So no program can cut it short under the mapping, as one can on Linux.
        std::error_code cutShort;
        fs::resize_file(input, 16, cutShort);
        EXPECT_TRUE(cutShort);
        EXPECT_EQ(fs::file_size(input), ScanBuilder::scan(4, 3).build().size());
        scan.close();
        EXPECT_EQ(tryOpen(GENERIC_WRITE, 0), ERROR_SUCCESS) << "released on close";
    }
}

TEST(WindowsInput, InPageErrorInsideTheMappingEndsTheGuardedReadOnly) {
    TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(64, 64).write(folder / "scan.tif").string();
    ScanImage scan;
    scan.open(input);
    const MappedFile& file = scan.inputFile();
    // The fault a failing network drive gives while a page of the view is read.
    const auto inPageErrorAt = [](const void* address) {
        const ULONG_PTR details[] = {0, reinterpret_cast<ULONG_PTR>(address), ULONG_PTR{0xC00000A3} /* STATUS_DEVICE_NOT_READY */};
        ::RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, details);
    };
    int reached = 0;
    std::uint32_t error = 0;
    EXPECT_FALSE(file.readGuarded([&] {
        ++reached;
        inPageErrorAt(file.view() + 100);
        ++reached;
    }, error));
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_NOT_READY)) << "the failed read's status, as a system error";
    // The guard is gone afterwards and an ordinary read goes through; the program goes on.
    EXPECT_TRUE(file.readGuarded([&] { reached = file.view()[0]; }));
    EXPECT_EQ(reached, 'I');
    std::vector<std::uint16_t> flipped(64 * 64);
    scan.parse();
    flipChannel(scan, Diagonal::main, flipped.data(), scan.channels[0].samples.data);
    EXPECT_EQ(flipped, reflectedPatternImage(0, 64, 64, true));
}

// Guarded reads on four threads at once, each failing, and one whose read throws: each ends its
// own read, the exception reaches its caller, and no handler stays behind.
TEST(WindowsInput, GuardedReadsOnFourThreadsAtOnceEachTakeTheirOwnFault) {
    TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(64, 64).write(folder / "scan.tif").string();
    ScanImage scan;
    scan.open(input);
    const MappedFile& file = scan.inputFile();
    std::barrier allGuarded(4);
    std::vector<int> results(4, -1);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            const ULONG_PTR details[] = {0, reinterpret_cast<ULONG_PTR>(file.view() + 100 * i), ULONG_PTR{0xC00000A3}};
            results[i] = file.readGuarded([&] {
                allGuarded.arrive_and_wait();
                ::RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, details);
                results[i] = 2;
            });
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(results, std::vector<int>(4, 0));
    EXPECT_THROW(file.readGuarded([] { throw std::runtime_error("read failed"); }), std::runtime_error);

    // The next in-page error reaches whoever handles it now, and goes on from there.
    static int seen = 0;
    void* last = ::AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* exception) -> LONG {
        if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_IN_PAGE_ERROR) return EXCEPTION_CONTINUE_SEARCH;
        ++seen;
        return EXCEPTION_CONTINUE_EXECUTION;
    });
    const ULONG_PTR details[] = {0, reinterpret_cast<ULONG_PTR>(file.view()), ULONG_PTR{0xC00000A3}};
    ::RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, details);
    ::RemoveVectoredExceptionHandler(last);
    EXPECT_EQ(seen, 1);
}

// --- Output files ---------------------------------------------------------------------------

TEST(WindowsFileError, CodesAreSortedIntoCausesByMeaning) {
    const struct {
        DWORD code;
        int cause;
    } cases[] = {
        {ERROR_SUCCESS, 0},           {ERROR_FILE_NOT_FOUND, 2},     {ERROR_PATH_NOT_FOUND, 3},
        {ERROR_INVALID_NAME, 3},      {ERROR_BAD_PATHNAME, 3},       {ERROR_INVALID_DRIVE, 3},
        {ERROR_TOO_MANY_OPEN_FILES, 4}, {ERROR_ACCESS_DENIED, 5},    {ERROR_WRITE_PROTECT, 5},
        {ERROR_INVALID_HANDLE, 6},    {ERROR_CURRENT_DIRECTORY, 7},  {ERROR_CANNOT_MAKE, 8},
        {ERROR_SEEK, 9},              {ERROR_NEGATIVE_SEEK, 9},      {ERROR_WRITE_FAULT, 10},
        {ERROR_READ_FAULT, 10},       {ERROR_SHARING_VIOLATION, 11}, {ERROR_LOCK_VIOLATION, 12},
        {ERROR_HANDLE_DISK_FULL, 13}, {ERROR_DISK_FULL, 13},         {ERROR_HANDLE_EOF, 14},
        {ERROR_INVALID_PARAMETER, 1}, {ERROR_NOT_ENOUGH_MEMORY, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(FileError::causeFromWindowsError(c.code), c.cause) << c.code;
}

class WindowsOutput : public ::testing::Test {
protected:
    TemporaryFolder folder;
    ScanImage scan;
    ChannelWriter writer{scan};
    const std::vector<std::uint8_t> previous = std::vector<std::uint8_t>(100, 0x5A);

    void SetUp() override {
        fs::create_directory(folder / "in");
        const fs::path input = ScanBuilder::scan(7, 5).write(folder / "in" / "scan.tif");
        scan.open(input.string());
        scan.parse();
        fs::create_directory(folder / "out");
    }
    std::string out(const std::string& name) const { return (folder / "out" / name).string(); }
};

TEST_F(WindowsOutput, EachRefusalNamesItsCause) {
    const std::string missing = out("missing\\Red.tif");
    EXPECT_EQ(writeFailure(writer, missing), missing + " : " + missing + " contains an invalid path.");
    EXPECT_FALSE(writer.holdsFile(0));

    // A folder where the output should go: everything is written, then the move is refused.
    const std::string folderInPlace = out("Folder.tif");
    fs::create_directory(folderInPlace);
    EXPECT_EQ(writeFailure(writer, folderInPlace), folderInPlace + " : Access to " + folderInPlace + " was denied.");
    writer.abandonFiles();  // releases the failed file

    const std::string readOnly = out("ReadOnly.tif");
    writeFile(readOnly, previous);
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(writeFailure(writer, readOnly), readOnly + " : Access to " + readOnly + " was denied.");
    EXPECT_EQ(readFile(readOnly), previous);
    EXPECT_FALSE(writer.holdsFile(0)) << "refused before anything was made";
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Another program has the existing output open and shares it with no writer.
    const std::string held = out("Held.tif");
    writeFile(held, previous);
    const HANDLE holder = ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(writeFailure(writer, held), held + " : A sharing violation occurred while accessing " + held + ".");
    ::CloseHandle(holder);
    EXPECT_EQ(readFile(held), previous);

    EXPECT_EQ(namesIn(folder / "out"), (std::vector<std::string>{"Folder.tif", "Held.tif", "ReadOnly.tif"}))
        << "no temporary may stay";
}

TEST_F(WindowsOutput, FullDiskKeepsTheExistingOutputAndLeavesNoTemporary) {
    const std::string path = out("Red.tif");
    const std::string full = fullPathOf(path);
    const struct {
        const char* what;
        Fault fault;
    } cases[] = {
        {"the header", {FileCall::write, 1, ERROR_DISK_FULL}},
        {"the pixels", {FileCall::write, 4, ERROR_HANDLE_DISK_FULL}},
        {"the pixels, the disk taking nothing", {FileCall::write, 4, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(path, previous);
        std::string message;
        {
            FaultyFileSystem faulty({c.fault});
            message = writeFailure(writer, path);
            EXPECT_EQ(faulty.raised(), 1u);
        }
        EXPECT_EQ(message, full + " : Disk full while accessing " + full + ".");
        writer.abandonFiles();
        EXPECT_EQ(readFile(path), previous);
        EXPECT_EQ(namesIn(folder / "out"), std::vector<std::string>{"Red.tif"});
    }
}

// Output paths at MAX_PATH: one of 259 characters, the most Windows takes, is written and
// replaced, although its temporary's name is longer than its own; one of 260 is refused in the
// system's words (UTF-16 units: QuillaneSplitTest.SplitsNamesInAnyScript).
TEST_F(WindowsOutput, OutputPathsUpToMaxPathAreWrittenAndLongerOnesRefusedWithTheirReason) {
    const std::string start = fullPathOf(out("")) ;
    const std::string shortFolder = start + std::string(240 - start.size(), 'f');
    ASSERT_TRUE(::CreateDirectoryA(shortFolder.c_str(), nullptr));
    for (const std::size_t length : {258u, 259u}) {
        SCOPED_TRACE(length);
        const std::string input = "C:\\in\\" + std::string(length - shortFolder.size() - 1 - 3 - 4, 'b') + ".tif";
        const std::string path = composeInFolder(shortFolder, input, 0, "");
        ASSERT_EQ(path.size(), length);
        EXPECT_EQ(writeFailure(writer, path), "(written)");
        writeFile(path, previous);
        EXPECT_EQ(writeFailure(writer, path), "(written)") << "replacing it";
        EXPECT_EQ(readTiff(path).pixels, patternImage(0, 7, 5));
        EXPECT_EQ(namesIn(shortFolder), std::vector<std::string>{fs::path(path).filename().string()});
        fs::remove(path);
    }
    const std::string tooLong = shortFolder + "\\" + std::string(259 - shortFolder.size(), 'r');
    EXPECT_EQ(writeFailure(writer, tooLong), tooLong + " : " + systemErrorText(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(namesIn(shortFolder).empty());
}

// --- Names ----------------------------------------------------------------------------------

TEST(WindowsNaming, OutputNamesUseWindowsPaths) {
    static_assert(nativePathStyle == PathStyle::windows);
    EXPECT_EQ(composeBesideInput(R"(C:\scans\slide01.tif)", 0, ""), R"(C:\scans\Redslide01.tif)");
    EXPECT_EQ(composeInFolder(R"(D:\out)", R"(C:\scans/slide01.tif)", 1, "_FlippedLLtoUR"),
              R"(D:\out\Greenslide01_FlippedLLtoUR.tif)");
}

TEST(WindowsNaming, SecondByteOfADoubleByteCharacterIsNeverASeparator) {
    // 0x83 0x5C is one character in the Japanese code page; its second byte is the backslash.
    if (!::IsDBCSLeadByte(0x83)) GTEST_SKIP() << "the system's code page (" << ::GetACP() << ") has no double-byte characters";
    const std::string name = "C:\\scans\\\x83\\slide.tif";
    EXPECT_EQ(composeBesideInput(name, 0, ""), "C:\\scans\\Red\x83\\slide.tif");
}

}  // namespace
}  // namespace quillane
