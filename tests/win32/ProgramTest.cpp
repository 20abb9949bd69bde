// quillane.exe itself, started as a user starts it and driven from outside with window
// messages: its caption, a split of a real file chosen in the real open-file dialog and
// confirmed in the real message box, the registry values, and the end through Cancel.
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillane {
namespace {

using namespace testing;

constexpr int idOk = 1, idCancel = 2, idBrowseInput = 1003, idProgress = 1006, idInputList = 1007, idStatus = 1015;

// The file dialog's name box: cmb13 on Windows, edt1 in Wine's dialog.
HWND nameBox(HWND chooser) {
    HWND box = GetDlgItem(chooser, 0x047C);
    return box ? box : GetDlgItem(chooser, 0x0480);
}

std::string textOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A visible top-level window of one of the processes whose caption `accept` takes, if there is
// one now.
HWND findWindow(const std::vector<DWORD>& processes, const std::function<bool(const std::string&)>& accept) {
    struct Search {
        const std::vector<DWORD>* processes;
        const std::function<bool(const std::string&)>* accept;
        HWND found = nullptr;
    } search{&processes, &accept};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            const bool ours = std::find(s->processes->begin(), s->processes->end(), owner) != s->processes->end();
            if (ours && IsWindowVisible(window) && (*s->accept)(textOf(window))) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The same, waited for up to 30 seconds.
HWND waitForWindow(const std::vector<DWORD>& processes, const std::function<bool(const std::string&)>& accept) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (HWND found = findWindow(processes, accept)) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

HWND waitForWindow(DWORD process, const std::function<bool(const std::string&)>& accept) {
    return waitForWindow(std::vector<DWORD>{process}, accept);
}

bool waitFor(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The program sits beside this test.
std::string programPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return (std::filesystem::path(path).parent_path() / "quillane.exe").string();
}

constexpr const char* applicationKey = "software\\Velmora\\DarozAvazi\\quillane";

// Starts the program in `folder` with `files` on its command line, each quoted, as the shell
// starts it.
bool startProgram(const std::vector<std::string>& files, const std::filesystem::path& folder,
                  PROCESS_INFORMATION& process) {
    std::string commandLine = '"' + programPath() + '"';
    for (const std::string& file : files) commandLine.append(" \"").append(file).append("\"");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.string().c_str(),
                          &startup, &process) != FALSE;
}

// Cancel, as a user ends the program; then whatever is left after a failure goes, and the
// settings with it.
void endWithCancel(HWND window, PROCESS_INFORMATION& process) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(idCancel, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, idCancel)));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "Cancel ends the program";
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
}

// The list's entries, read as wide text (Wine carries list texts to another process only in
// their wide form) and given back in the ANSI code page.
std::vector<std::string> listedIn(HWND list) {
    std::vector<std::string> listed;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[MAX_PATH] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char text[MAX_PATH] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        listed.emplace_back(text);
    }
    return listed;
}

std::string registryValue(const char* name, DWORD* type) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, applicationKey, name, RRF_RT_ANY, type, value, &size) != ERROR_SUCCESS) {
        return "<missing>";
    }
    return value;
}

TEST(Program, StartsSplitsThroughItsButtonsRemembersAndEndsWithCancel) {
    const TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(6, 4).write(folder / "slide01.tif").string();
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);

    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram({}, folder.path(), process)) << programPath();

    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) {
        return caption.rfind("Quillane: ", 0) == 0;
    });
    ASSERT_NE(window, nullptr) << "the window appears";
    EXPECT_EQ(textOf(window), "Quillane: Velmora's Tiff Image Channel Splitter Utility (A.6.3.1)");

    // Browse..., the path typed into the open-file dialog's name box, Open.
    PostMessageA(GetDlgItem(window, idBrowseInput), BM_CLICK, 0, 0);
    HWND chooser = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Select Tiff"; });
    ASSERT_NE(chooser, nullptr) << "the open-file dialog appears, titled \"Select Tiff\"";
    SendMessageA(nameBox(chooser), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input.c_str()));
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return SendMessageA(GetDlgItem(window, idInputList), LB_GETCOUNT, 0, 0) == 1; }));

    // Split Tiff, then the closing message box and its OK.
    PostMessageA(GetDlgItem(window, idOk), BM_CLICK, 0, 0);
    HWND done = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Done!"; });
    ASSERT_NE(done, nullptr) << "the run ends with its message";
    EXPECT_EQ(textOf(GetDlgItem(done, 0xFFFF)), "Successfully created files ");
    EXPECT_TRUE(std::filesystem::exists(folder / "Redslide01.tif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "Greenslide01.tif"));
    PostMessageA(GetDlgItem(done, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(done); }));
    EXPECT_TRUE(IsWindow(window)) << "the window stays open after a run";

    DWORD type = 0;
    EXPECT_EQ(registryValue("LastTiffpath", &type), input);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(registryValue("LastTiffdir", &type), folder.path().string() + "\\");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(registryValue("LastOutputpath", &type), "");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    endWithCancel(window, process);
}

// A text of another process's window, asked for in its wide form (as Wine carries it between
// processes) and given back in the ANSI code page; nullopt when the window did not answer.
std::optional<std::string> textAnswered(HWND window, UINT timeout) {
    wchar_t wide[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(wide), reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG,
                             timeout, &copied))
        return std::nullopt;
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return std::string(text);
}

// Another process's probes of the window, one every tenth of a second until `enough` says so:
// each a message it must answer within `timeout`, and a read of the status line.
struct Probes {
    int sent = 0, unanswered = 0, hung = 0;
    long long slowest = 0;             // milliseconds
    std::vector<std::string> shown;    // the status line's texts, in order
};

Probes probe(HWND window, UINT timeout, const std::function<bool()>& enough) {
    Probes probes;
    const auto start = std::chrono::steady_clock::now();
    while (!enough() && std::chrono::steady_clock::now() - start < std::chrono::minutes(2)) {
        ++probes.sent;
        const auto asked = std::chrono::steady_clock::now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeout, &result)) ++probes.unanswered;
        probes.slowest = std::max<long long>(
            probes.slowest, std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked).count());
        if (IsHungAppWindow(window)) ++probes.hung;
        const std::optional<std::string> status = textAnswered(GetDlgItem(window, idStatus), timeout);
        if (!status) ++probes.unanswered;
        else if (!status->empty() && (probes.shown.empty() || probes.shown.back() != *status)) probes.shown.push_back(*status);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("%d probes, slowest answer %lld ms\n", probes.sent, probes.slowest);
    return probes;
}

// Three scans large enough to take a moment each, split while another process probes the
// window: it answers every probe, never counts as hung, and shows the file under way.
TEST(Program, AnswersEveryProbeAndShowsTheFileUnderWayWhileItSplits) {
    const TemporaryFolder folder;
    std::vector<std::string> inputs;
    for (const char* name : {"slide01.tif", "slide02.tif", "slide03.tif"})
        inputs.push_back(ScanBuilder::scan(1536, 1536).write(folder / name).string());
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram(inputs, folder.path(), process)) << programPath();
    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption.rfind("Quillane: ", 0) == 0; });
    ASSERT_NE(window, nullptr) << "the window appears";
    ASSERT_EQ(SendMessageA(GetDlgItem(window, idInputList), LB_GETCOUNT, 0, 0), 3);

    PostMessageA(GetDlgItem(window, idOk), BM_CLICK, 0, 0);
    constexpr UINT shortTimeout = 5000;  // milliseconds: as long as Windows waits before it calls a window hung
    HWND done = nullptr;
    const Probes probes = probe(window, shortTimeout, [&] {
        done = findWindow({process.dwProcessId}, [](const std::string& caption) { return caption == "Done!"; });
        return done != nullptr;
    });
    RecordProperty("probes", probes.sent);
    RecordProperty("slowestAnswerMilliseconds", static_cast<int>(probes.slowest));

    ASSERT_NE(done, nullptr) << "the run ends with its message";
    EXPECT_EQ(probes.unanswered, 0) << "every probe answered within " << shortTimeout << " ms";
    EXPECT_EQ(probes.hung, 0);
    EXPECT_EQ(probes.shown,
              (std::vector<std::string>{"Splitting:  " + inputs[0], "Splitting:  " + inputs[1], "Splitting:  " + inputs[2]}));
    for (const char* name : {"Redslide03.tif", "Greenslide03.tif"}) EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;

    PostMessageA(GetDlgItem(done, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(done); }));
    endWithCancel(window, process);
}

// The preview of a 1.2 GB scan, opened with a double-click, is made on a thread of its own: both
// windows answer another process's probes at once meanwhile, and a move down the list shows the
// newer file, never the first.
TEST(Program, PreviewAnswersEveryProbeAndFollowsTheListToTheNewerFile) {
    constexpr int idPreviewFile = 1101, idPreviewSummary = 1102;
    const TemporaryFolder folder;
    const std::string large = ScanBuilder::sparse(10000, 30000).write(folder / "large.tif").string();
    const std::string small = ScanBuilder::scan(7, 5).write(folder / "small.tif").string();
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram({large, small}, folder.path(), process)) << programPath();
    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption.rfind("Quillane: ", 0) == 0; });
    ASSERT_NE(window, nullptr) << "the window appears";
    HWND list = GetDlgItem(window, idInputList);
    RECT first{};
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    const LPARAM at = MAKELPARAM(first.left + 2, first.top + 2);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})  // a double-click on it
        PostMessageA(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    HWND preview = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Quillane preview: large.tif"; });
    ASSERT_NE(preview, nullptr) << "the preview opens on the first file";

    constexpr UINT shortTimeout = 5000;  // milliseconds: as long as Windows waits before it calls a window hung
    int unanswered = 0;
    std::vector<std::wstring> summaries;  // as the window shows them, in UTF-16 for their signs
    const auto probe = [&] {
        wchar_t summary[512] = {};
        DWORD_PTR result = 0;
        for (HWND asked : {window, preview})
            if (!SendMessageTimeoutA(asked, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, shortTimeout, &result)) ++unanswered;
        if (!SendMessageTimeoutW(GetDlgItem(preview, idPreviewSummary), WM_GETTEXT, std::size(summary),
                                 reinterpret_cast<LPARAM>(summary), SMTO_ABORTIFHUNG, shortTimeout, &result))
            ++unanswered;
        else if (summaries.empty() || summaries.back() != summary) summaries.emplace_back(summary);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    for (int i = 0; i < 5; ++i) probe();
    const std::size_t beforeMove = summaries.size();  // the first file's page may be shown by then
    PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);  // the user moves down the list
    for (int i = 0; i < 600 && summaries.back().find(L"7 \u00d7 5 pixels") == std::wstring::npos; ++i) probe();
    for (int i = 0; i < 20; ++i) probe();  // whatever the first file's work still sends meanwhile

    EXPECT_EQ(unanswered, 0) << "every probe answered within " << shortTimeout << " ms";
    EXPECT_EQ(summaries.front(), L"Reading the scan...");
    EXPECT_EQ(summaries.back(), L"3.6 KiB, 7 \u00d7 5 pixels of 5 \u00d7 5 \u00b5m");
    for (std::size_t i = beforeMove; i < summaries.size(); ++i)  // the newer file's page, or none yet
        EXPECT_TRUE(summaries[i] == summaries.front() || summaries[i] == summaries.back()) << "never the first file's page after the move";
    EXPECT_EQ(textAnswered(GetDlgItem(preview, idPreviewFile), shortTimeout), small);
    EXPECT_EQ(textOf(preview), "Quillane preview: small.tif");
    endWithCancel(window, process);
}

// The output folder on a share so slow that the first channel of the second scan would take 10 s
// to write (a FUSE folder of the Linux side, from win32/slow-folder.sh): meanwhile another process
// finds the window answering every probe and never hung, and Cancel during that channel ends the
// program, with nothing of that scan in the folder (not even a temporary) and the first scan's
// files whole. How soon is timed by a slow disk's own clock in the window's own tests.
TEST(Program, AnswersEveryProbeAndStopsPromptlyOnASlowShare) {
    const char* share = std::getenv("QUILLANE_SLOW_FOLDER");
    if (!share) {
        const char* why = std::getenv("QUILLANE_SLOW_FOLDER_MISSING");
        GTEST_SKIP() << (why ? why : "no slow folder: run through tests/win32/slow-folder.sh");
    }
    const std::filesystem::path out(share);
    const TemporaryFolder folder;
    const std::vector<std::string> inputs = {ScanBuilder::scan(6, 4).write(folder / "a.tif").string(),
                                             ScanBuilder::scan(1024, 1024).write(folder / "b.tif").string()};
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
    const std::string outText = out.string();
    RegSetKeyValueA(HKEY_CURRENT_USER, applicationKey, "LastOutputpath", REG_SZ, outText.c_str(),
                    static_cast<DWORD>(outText.size() + 1));
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram(inputs, folder.path(), process)) << programPath();
    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption.rfind("Quillane: ", 0) == 0; });
    ASSERT_NE(window, nullptr) << "the window appears";

    PostMessageA(GetDlgItem(window, idOk), BM_CLICK, 0, 0);
    std::chrono::steady_clock::time_point writing;  // since b's first channel is under way: 3 s of probes
    const Probes probes = probe(window, 5000, [&] {
        if (writing == std::chrono::steady_clock::time_point() && textAnswered(GetDlgItem(window, idStatus), 1000) ==
                "Splitting:  " + inputs[1] && SendMessageA(GetDlgItem(window, idProgress), PBM_GETPOS, 0, 0) == 5)
            writing = std::chrono::steady_clock::now();
        return writing != std::chrono::steady_clock::time_point() && std::chrono::steady_clock::now() - writing > std::chrono::seconds(3);
    });
    ASSERT_NE(writing, std::chrono::steady_clock::time_point()) << "the slow channel was never under way";
    EXPECT_EQ(probes.unanswered, 0);
    RecordProperty("slowestAnswerMilliseconds", static_cast<int>(probes.slowest));
    EXPECT_EQ(probes.hung, 0);

    const auto cancelled = std::chrono::steady_clock::now();
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(idCancel, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, idCancel)));
    // Gone from the screen, that is: Wine then waits up to 2 s more for a window manager, when there
    // is none, before the window is destroyed.
    while (IsWindowVisible(window) && std::chrono::steady_clock::now() - cancelled < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    RecordProperty("cancelToWindowGoneMilliseconds",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - cancelled).count()));
    EXPECT_FALSE(IsWindowVisible(window)) << "Cancel ends the run and the window";
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "and the program";
    EXPECT_EQ(readTiff(out / "Reda.tif").pixels, patternImage(0, 6, 4));
    EXPECT_EQ(readTiff(out / "Greena.tif").pixels, patternImage(1, 6, 4));
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"Greena.tif", "Reda.tif"})) << "nothing of b.tif";
    endWithCancel(window, process);
}

// A name in other scripts than the machine's code page, Greek and Japanese, typed into the real
// open-file dialog: the program's manifest makes its 8-bit text UTF-8, so the split writes the
// channel files under the right names. (This test runs in the machine's code page, so it speaks
// to the windows in UTF-16.)
TEST(Program, SplitsANameInAnyScriptChosenInTheOpenDialog) {
    const TemporaryFolder folder;
    const std::wstring name = L"\u03a3\u03ac\u03c1\u03c9\u03c3\u03b7_\u8d70\u67fb.tif";
    const std::filesystem::path input = ScanBuilder::scan(6, 4).write(folder.path() / name);
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);

    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram({}, folder.path(), process)) << programPath();
    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) {
        return caption.rfind("Quillane: ", 0) == 0;
    });
    ASSERT_NE(window, nullptr) << "the window appears";
    PostMessageA(GetDlgItem(window, idBrowseInput), BM_CLICK, 0, 0);
    HWND chooser = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Select Tiff"; });
    ASSERT_NE(chooser, nullptr);
    SendMessageW(nameBox(chooser), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input.wstring().c_str()));
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return SendMessageA(GetDlgItem(window, idInputList), LB_GETCOUNT, 0, 0) == 1; }));
    wchar_t listed[MAX_PATH] = {};
    SendMessageW(GetDlgItem(window, idInputList), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(listed));
    EXPECT_EQ(std::wstring(listed), input.wstring());

    PostMessageA(GetDlgItem(window, idOk), BM_CLICK, 0, 0);
    HWND done = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Done!"; });
    ASSERT_NE(done, nullptr) << "the run ends with its success message";
    EXPECT_TRUE(std::filesystem::exists(folder.path() / (L"Red" + name)));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / (L"Green" + name)));
    PostMessageA(GetDlgItem(done, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(done); }));
    wchar_t stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"software\\Velmora\\DarozAvazi\\quillane", L"LastTiffpath", RRF_RT_REG_SZ,
                           nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored), input.wstring());

    endWithCancel(window, process);
}

// A thousand scans chosen at once in the real file dialog, their names put in its name box as its
// own list puts them there: far more than the 40,000 bytes the older dialog held, and every one is
// listed.
TEST(Program, ListsEveryFileChosenInTheFileDialog) {
    const TemporaryFolder folder;
    std::vector<std::string> inputs;
    std::string typed;
    for (int i = 1; i <= 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "scan-of-a-long-named-microarray-slide-%04d.tif", i);
        inputs.push_back((folder / name).string());
        writeFile(inputs.back(), {});
        typed.append("\"").append(inputs.back()).append("\" ");
    }
    ASSERT_GT(typed.size(), 40000u);
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram({}, folder.path(), process)) << programPath();
    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption.rfind("Quillane: ", 0) == 0; });
    ASSERT_NE(window, nullptr) << "the window appears";

    PostMessageA(GetDlgItem(window, idBrowseInput), BM_CLICK, 0, 0);
    HWND chooser = waitForWindow(process.dwProcessId, [](const std::string& caption) { return caption == "Select Tiff"; });
    ASSERT_NE(chooser, nullptr);
    SendMessageA(nameBox(chooser), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    HWND list = GetDlgItem(window, idInputList);
    EXPECT_TRUE(waitFor([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 1000; }));
    std::vector<std::string> listed = listedIn(list);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, inputs);

    endWithCancel(window, process);
}

// "Open with": the shell starts the program with the file's path, quoted, as its argument. A
// name that is no file is listed as given.
TEST(Program, StartsWithTheFileItIsOpenedWith) {
    const TemporaryFolder folder;
    const std::string input = ScanBuilder::scan(6, 4).write(folder / "opened with.tif").string();
    const std::string missing = (folder / "not there.tif").string();
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);

    PROCESS_INFORMATION process{};
    ASSERT_TRUE(startProgram({input, missing}, folder.path(), process)) << programPath();

    HWND window = waitForWindow(process.dwProcessId, [](const std::string& caption) {
        return caption.rfind("Quillane: ", 0) == 0;
    });
    ASSERT_NE(window, nullptr) << "the window appears";
    EXPECT_EQ(listedIn(GetDlgItem(window, idInputList)), (std::vector<std::string>{input, missing}));
    DWORD type = 0;
    EXPECT_EQ(registryValue("LastTiffpath", &type), missing);
    EXPECT_EQ(registryValue("LastTiffdir", &type), folder.path().string() + "\\");

    endWithCancel(window, process);
}


// "Open with" on several files: the shell starts the program once per file, nearly at once. One
// window opens and lists them all, in the order Explorer shows them by name, whatever order the
// starts came in; the other starts hand their files over and end.
TEST(Program, OpenWithOnSeveralFilesOpensOneWindowWithAllOfThem) {
    const TemporaryFolder folder;
    std::vector<std::string> inputs;
    for (const char* name : {"slide10.tif", "Slide1.tif", "slide2.tif"})
        inputs.push_back(ScanBuilder::scan(4, 3).write(folder / name).string());
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);

    std::vector<PROCESS_INFORMATION> processes;
    for (const std::string& input : inputs) {
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(startProgram({input}, folder.path(), process));
        processes.push_back(process);
    }
    // Whichever start comes first (it need not be the first begun) opens the window.
    std::vector<DWORD> ids;
    for (const PROCESS_INFORMATION& process : processes) ids.push_back(process.dwProcessId);
    HWND window = waitForWindow(ids, [](const std::string& caption) { return caption.rfind("Quillane: ", 0) == 0; });
    ASSERT_NE(window, nullptr) << "a window opens";
    DWORD host = 0;
    GetWindowThreadProcessId(window, &host);
    HWND list = GetDlgItem(window, idInputList);
    EXPECT_TRUE(waitFor([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 3; })) << "it lists every file";
    for (const PROCESS_INFORMATION& process : processes) {
        if (process.dwProcessId == host) continue;
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "the other starts end";
        DWORD status = 1;
        GetExitCodeProcess(process.hProcess, &status);
        EXPECT_EQ(status, 0u);
    }
    EXPECT_EQ(listedIn(list), (std::vector<std::string>{inputs[1], inputs[2], inputs[0]})) << "numbers by value";

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(idCancel, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, idCancel)));
    for (const PROCESS_INFORMATION& process : processes) {
        if (process.dwProcessId == host) {
            EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "Cancel ends the program";
        }
        TerminateProcess(process.hProcess, 1);  // whatever is left after a failure
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, applicationKey);
}

}  // namespace
}  // namespace quillane
