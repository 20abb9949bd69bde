// The native Windows front end, driven with window messages as the platform would send them:
// the dialog made from the shared templates, its controls, its handlers, the registry, the
// version resource (linked into this program as into the real one) and the About box.
#include "app/ScriptedServices.h"

#include "app/DialogTemplate.h"
#include "hardening/FaultyFileSystem.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"
#include "win32/AboutDialog.h"
#include "win32/MainDialog.h"
#include "win32/RegistrySettingsStore.h"
#include "win32/SystemDialogs.h"
#include "win32/VersionResource.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>

namespace quillane {
namespace {

using namespace testing;

std::string classNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A message as it was shown, with what the window showed meanwhile.
struct NativeMessage {
    std::string text, caption;
    HWND owner = nullptr;
    int progress = -1;
    std::string status;
};

class RecordingNativeMessages : public MessageBoxes {
public:
    std::vector<NativeMessage> shown;
    void show(WindowHandle owner, const std::string& text, const std::string& caption) override {
        auto* window = static_cast<HWND>(owner);
        const int position = static_cast<int>(SendDlgItemMessageA(window, idProgress, PBM_GETPOS, 0, 0));
        shown.push_back({text, caption, window, position, windowTextOf(GetDlgItem(window, idStatus))});
    }
};

// Each test works in a registry key of its own, removed afterwards.
constexpr const char* testApplication = "quillane-win32-tests";

void removeTestKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("software\\Velmora\\DarozAvazi\\" + std::string(testApplication)).c_str());
}

class NativeWindow : public ::testing::Test {
protected:
    ScriptedFileChooser files;
    ScriptedFolderChooser folders;
    RecordingNativeMessages messages;
    RecordingAboutBoxes about;
    RegistrySettingsStore settings{testApplication};
    NativeVersionSource version;
    NoPausePlatform platform;
    TemporaryFolder folder;
    std::unique_ptr<NativeMainDialog> dialog;
    HWND window = nullptr;

    void SetUp() override {
        removeTestKey();
        dialog = std::make_unique<NativeMainDialog>(
            WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform});
        window = dialog->Create();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        dialog.reset();
        removeTestKey();
    }

    HWND item(int id) const { return GetDlgItem(window, id); }
    // A click as the user makes it: the button changes and tells the dialog.
    void click(int id) { SendMessageA(item(id), BM_CLICK, 0, 0); }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
};

TEST_F(NativeWindow, ControlsComeFromTheTemplateWithTheirIdsTextsAndStyles) {
    const DialogTemplate& source = mainDialogTemplate();
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    ASSERT_EQ(children.size(), source.controls.size());

    for (std::size_t i = 0; i < children.size(); ++i) {
        const DialogControl& control = source.controls[i];
        HWND child = children[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " (" << control.text << ")");
        EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), control.id);
        const char* expectedClass = control.controlClass == ControlClass::button          ? "Button"
                                    : control.controlClass == ControlClass::edit          ? "Edit"
                                    : control.controlClass == ControlClass::staticControl ? "Static"
                                    : control.controlClass == ControlClass::listBox       ? "ListBox"
                                                                                          : "msctls_progress32";
        EXPECT_EQ(_stricmp(classNameOf(child).c_str(), expectedClass), 0) << classNameOf(child);
        // The style bits the template gives. Controls may draw a border as an edge instead, and a
        // list shows its scroll bars only while it needs them.
        const auto style = static_cast<std::uint32_t>(GetWindowLongA(child, GWL_STYLE));
        const auto extendedStyle = static_cast<std::uint32_t>(GetWindowLongA(child, GWL_EXSTYLE));
        const std::uint32_t managed = style::disabled | style::border | style::hScroll | style::vScroll;
        EXPECT_EQ(style & ~managed & control.styles, control.styles & ~managed);
        EXPECT_EQ((style & style::disabled) != 0, (control.styles & style::disabled) != 0);
        // A themed progress bar draws its own frame and may drop the border bit altogether.
        if ((control.styles & style::border) && control.controlClass != ControlClass::progressBar) {
            EXPECT_TRUE((style & style::border) || (extendedStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)));
        }
        if (control.image == 0 && control.controlClass != ControlClass::progressBar &&
            control.controlClass != ControlClass::listBox && control.id != idOutputFolder && control.id != idStatus) {
            EXPECT_EQ(windowTextOf(child), control.text);
        }
        // Placed in dialog units, as the template says.
        RECT expected{control.x, control.y, control.x + control.width, control.y + control.height};
        MapDialogRect(window, &expected);
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
    }
    const auto dialogStyle = static_cast<std::uint32_t>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(dialogStyle & (WS_CAPTION | WS_SYSMENU | WS_POPUP), static_cast<std::uint32_t>(WS_CAPTION | WS_SYSMENU | WS_POPUP));
    EXPECT_EQ(dialogStyle & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(LOWORD(SendMessageA(window, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(NativeWindow, CaptionCarriesTheVersionAndTheSystemMenuTheAboutItem) {
    EXPECT_EQ(windowTextOf(window), "Quillane: Velmora's Tiff Image Channel Splitter Utility (A.6.3.1)");
    HMENU menu = GetSystemMenu(window, FALSE);
    ASSERT_NE(menu, nullptr);
    const int last = GetMenuItemCount(menu) - 1;
    char text[64] = {};
    GetMenuStringA(menu, last, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Quillane ...");
    EXPECT_EQ(GetMenuItemID(menu, last), 16u);
    EXPECT_EQ(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

    SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    SendMessageA(window, WM_SYSCOMMAND, 31, 0);
    ASSERT_EQ(about.shown.size(), 2u);
    EXPECT_EQ(about.shown[0].versionText, "Quillane Version: A.6.3.1");
    EXPECT_EQ(about.shown[0].legalText, "Copyright (C) 2026 Velmora Technologies");
    EXPECT_EQ(about.owners[0], window);
}

TEST_F(NativeWindow, FlipAndWriteBackEnableTheirControls) {
    EXPECT_FALSE(enabled(idMainDiagonal) || enabled(idOppositeDiagonal));
    click(idFlip);
    EXPECT_TRUE(enabled(idMainDiagonal) && enabled(idOppositeDiagonal));
    EXPECT_TRUE(checked(idMainDiagonal));
    click(idOppositeDiagonal);
    EXPECT_TRUE(checked(idOppositeDiagonal));
    EXPECT_FALSE(checked(idMainDiagonal)) << "the handlers keep the two groups exclusive";
    click(idFlip);
    EXPECT_FALSE(checked(idMainDiagonal) || checked(idOppositeDiagonal));
    EXPECT_FALSE(enabled(idMainDiagonal) || enabled(idOppositeDiagonal));

    click(idWriteBack);
    EXPECT_FALSE(enabled(idOutputFolder) || enabled(idBrowseOutput));
    click(idWriteBack);
    EXPECT_TRUE(enabled(idOutputFolder) && enabled(idBrowseOutput));
}

TEST_F(NativeWindow, SplitButtonSplitsTheListedFiles) {
    const auto first = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto second = ScanBuilder::scan(4, 2).write(folder / "slide02.tif").string();
    files.answers = {std::vector<std::string>{first, second}};
    click(idBrowseInput);
    ASSERT_EQ(SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendDlgItemMessageA(window, idInputList, LB_GETHORIZONTALEXTENT, 0, 0), 0) << "elided, not scrolled";

    click(idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Successfully created files ");
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].owner, window);
    EXPECT_EQ(messages.shown[0].progress, 10);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + second);
    for (const char* name : {"Redslide01.tif", "Greenslide01.tif", "Redslide02.tif", "Greenslide02.tif"}) {
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    }
    EXPECT_EQ(SendDlgItemMessageA(window, idProgress, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(windowTextOf(item(idStatus)), "");
    EXPECT_TRUE(IsWindow(window)) << "the window stays open";
}

// A drop handle as the shell makes it for WM_DROPFILES: the DROPFILES header, then the paths
// in the ANSI code page, each ended by a zero, and one more zero. The receiver frees it.
HDROP dropHandle(const std::vector<std::string>& paths) {
    std::string names;
    for (const std::string& path : paths) names.append(path).push_back('\0');
    names.push_back('\0');
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = FALSE;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof header + names.size());
    if (!memory) return nullptr;
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    std::memcpy(bytes, &header, sizeof header);
    std::memcpy(bytes + sizeof header, names.data(), names.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(NativeWindow, DroppedFilesAndFoldersFillTheListAndAreRemembered) {
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "the window takes dropped files";
    std::filesystem::create_directories(folder / "scans" / "nested");
    for (const char* name : {"scans/b.tif", "scans/a.TIFF", "scans/notes.txt", "scans/nested/c.tif", "single.tif"})
        writeFile(folder / name, {});
    const std::string single = (folder / "single.tif").string();
    const std::string last = (folder / "scans" / "b.tif").string();

    HDROP nothingUsable = dropHandle({(folder / "missing.tif").string(), (folder / "scans" / "nested" / "none").string()});
    ASSERT_NE(nothingUsable, nullptr);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(nothingUsable), 0);
    EXPECT_EQ(SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(settings.read("LastTiffpath"), "");

    HDROP drop = dropHandle({single, (folder / "scans").string()});
    ASSERT_NE(drop, nullptr);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    std::vector<std::string> listed;
    const auto count = SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[MAX_PATH] = {};
        SendDlgItemMessageA(window, idInputList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        listed.emplace_back(text);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{single, (folder / "scans" / "a.TIFF").string(), last}));
    EXPECT_EQ(settings.read("LastTiffpath"), last);
    EXPECT_EQ(settings.read("LastTiffdir"), (folder / "scans").string() + "\\");
}

// A drag as OLE hands it to the window: a data object that carries the files as the shell's
// do (CF_HDROP), or carries none. It lives on the test's stack.
class FileDataObject final : public IDataObject {
public:
    explicit FileDataObject(std::vector<std::string> paths, bool carriesFiles = true)
        : paths_(std::move(paths)), carriesFiles_(carriesFiles) {}
    virtual ~FileDataObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDataObject)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return carriesFiles_ && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        *medium = STGMEDIUM{};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = dropHandle(paths_);
        return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<std::string> paths_;
    bool carriesFiles_;
};

// The shell moves the dragged files when the target answers "move" (the default with Shift, or
// between folders of one drive): every answer is "copy", and a drag that cannot copy is refused.
TEST_F(NativeWindow, DragsAreTakenAsCopiesNeverMoves) {
    const std::string slide = (folder / "slide.tif").string();
    writeFile(slide, {});
    IDropTarget* target = dialog->dropTarget();
    ASSERT_NE(target, nullptr);
    FileDataObject carried({slide});
    FileDataObject text({slide}, false);
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    const auto count = [&] { return SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0); };

    struct Case {
        const char* what;
        IDataObject* data;
        DWORD offered, keys, answer;
    };
    for (const Case& c : std::vector<Case>{
             {"copy, move and link offered", &carried, all, MK_LBUTTON, DROPEFFECT_COPY},
             {"with Shift, which asks for a move", &carried, all, MK_LBUTTON | MK_SHIFT, DROPEFFECT_COPY},
             {"with Ctrl and Shift, which ask for a link", &carried, all, MK_LBUTTON | MK_SHIFT | MK_CONTROL, DROPEFFECT_COPY},
             {"only move offered", &carried, DROPEFFECT_MOVE, MK_LBUTTON, DROPEFFECT_NONE},
             {"move and link offered", &carried, DROPEFFECT_MOVE | DROPEFFECT_LINK, MK_LBUTTON, DROPEFFECT_NONE},
             {"no files carried", &text, all, MK_LBUTTON, DROPEFFECT_NONE},
         }) {
        SCOPED_TRACE(c.what);
        SendDlgItemMessageA(window, idInputList, LB_RESETCONTENT, 0, 0);
        DWORD effect = c.offered;
        EXPECT_EQ(target->DragEnter(c.data, c.keys, POINTL{10, 10}, &effect), S_OK);
        EXPECT_EQ(effect, c.answer);
        effect = c.offered;
        EXPECT_EQ(target->DragOver(c.keys, POINTL{12, 12}, &effect), S_OK);
        EXPECT_EQ(effect, c.answer);
        effect = c.offered;
        EXPECT_EQ(target->Drop(c.data, c.keys, POINTL{12, 12}, &effect), S_OK);
        EXPECT_EQ(effect, c.answer);
        EXPECT_EQ(count(), c.answer == DROPEFFECT_COPY ? 1 : 0) << "the list takes the files only with a copy";
    }
    DWORD effect = all;
    target->DragEnter(&carried, MK_LBUTTON, POINTL{10, 10}, &effect);
    EXPECT_EQ(target->DragLeave(), S_OK);

    // Started with OLE, as the program is, the window has its target registered while it is open.
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        NativeMainDialog withOle(WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform});
        HWND opened = withOle.Create();
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(RegisterDragDrop(opened, target), DRAGDROP_E_ALREADYREGISTERED);
    }
    OleUninitialize();
}

std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                           static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

// A drop handle as the shell makes it today: the paths in UTF-16.
HDROP wideDropHandle(const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths) names.append(path).push_back(L'\0');
    names.push_back(L'\0');
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    const std::size_t bytes = names.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, sizeof header + bytes);
    if (!memory) return nullptr;
    auto* start = static_cast<char*>(GlobalLock(memory));
    std::memcpy(start, &header, sizeof header);
    std::memcpy(start + sizeof header, names.data(), bytes);
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// Names in other scripts than the machine's code page (Greek and Japanese on a Western Windows):
// the program's manifest makes its 8-bit text UTF-8, so a drop lists them, the split writes
// their channel files under the right names and the registry keeps them; a value an earlier
// version stored in the machine's code page is read right, the registry keeping UTF-16 either way.
TEST_F(NativeWindow, NamesInAnyScriptAreListedSplitAndRemembered) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest's code page";
    const std::string name = reinterpret_cast<const char*>(u8"\u03a3\u03ac\u03c1\u03c9\u03c3\u03b7_\u8d70\u67fb.tif");
    const std::string folderText = folder.path().string();
    const std::string scan = folderText + "\\" + name;
    ScanBuilder::scan(5, 3).write(folder.path() / std::filesystem::path(wide(name)));

    HDROP drop = wideDropHandle({wide(scan)});
    ASSERT_NE(drop, nullptr);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_EQ(SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(dialog->logic().inputPath(0), scan);
    wchar_t shown[MAX_PATH] = {};
    SendDlgItemMessageW(window, idInputList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), wide(scan)) << "the list shows the name itself";
    EXPECT_EQ(settings.read("LastTiffpath"), scan);

    click(idWriteBack);
    click(idOk);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!") << messages.shown[0].text;
    for (const char* colour : {"Red", "Green"})
        EXPECT_TRUE(std::filesystem::exists(folder.path() / std::filesystem::path(wide(colour + name)))) << colour;

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settings.keyPath().c_str(), 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    wchar_t stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(RegQueryValueExW(key, L"LastTiffpath", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored), wide(scan)) << "stored as the name itself";
    // What an earlier version stored through the ANSI calls in code page 1252 or 932.
    const std::wstring earlier = L"C:\\M\u00fcller\\\u30b9\u30ad\u30e3\u30f3\\";
    EXPECT_EQ(RegSetValueExW(key, L"LastOutputpath", 0, REG_SZ, reinterpret_cast<const BYTE*>(earlier.c_str()),
                             static_cast<DWORD>((earlier.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(wide(settings.read("LastOutputpath")), earlier);
}

TEST_F(NativeWindow, LeavingTheFolderBoxWritesTheThreeValues) {
    SetWindowTextA(item(idOutputFolder), "C:\\out put ");
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(idOutputFolder, EN_KILLFOCUS), reinterpret_cast<LPARAM>(item(idOutputFolder)));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settings.keyPath().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const auto& [name, expected] : {std::pair<const char*, std::string>{"LastTiffpath", ""},
                                         {"LastTiffdir", ""},
                                         {"LastOutputpath", "C:\\out put "}}) {
        DWORD type = 0;
        char value[64] = {};
        DWORD size = sizeof value;
        ASSERT_EQ(RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, expected.size() + 1) << "stored with its terminating zero";
        EXPECT_EQ(std::string(value), expected);
    }
    RegCloseKey(key);
}

TEST_F(NativeWindow, CloseCommandAndCancelEndTheDialogAndSplitTiffDoesNot) {
    click(idOk);  // an empty list: nothing happens, and the window stays
    EXPECT_TRUE(IsWindow(window));
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    MSG message;  // the dialog posts its Cancel command to itself
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EXPECT_FALSE(IsWindow(window)) << "the close command ends the dialog, as Cancel does";

    window = dialog->Create();
    ASSERT_NE(window, nullptr);
    click(idCancel);
    EXPECT_FALSE(IsWindow(window));
}

// A key pressed and released as the dialog's message loop gets it, Shift held or not through the
// thread's keyboard state.
void pressKey(HWND dialog, WPARAM key, bool shift = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        MSG m{GetFocus(), message, key, message == WM_KEYUP ? LPARAM(0xC0000001) : LPARAM(1), 0, {}};
        if (!IsDialogMessageA(dialog, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    MSG pending;
    while (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &pending)) DispatchMessageA(&pending);
    }
}

int focused() {
    return GetDlgCtrlID(GetFocus());
}

// Keys only: Tab goes through the tab stops in the template's order, and reaches the diagonals,
// as one stop at the checked one, only while Flip is on; the arrow keys choose the other.
TEST_F(NativeWindow, TabAndArrowKeysAloneChooseTheOppositeDiagonal) {
    SetForegroundWindow(window);
    SetFocus(item(idOk));
    ASSERT_EQ(focused(), idOk);
    const auto tabRound = [&] {
        std::vector<int> ids{focused()};
        for (int i = 0; i < 20; ++i) {
            pressKey(window, VK_TAB);
            if (focused() == ids.front()) break;
            ids.push_back(focused());
        }
        return ids;
    };
    std::vector<int> expected = {idOk,        idCancel, idBrowseInput, idBrowseOutput, idOutputFolder,
                                 idInputList, idFlip,   idWriteBack,   idStatus};
    EXPECT_EQ(tabRound(), expected) << "Flip off: the diagonals are no stops";

    while (focused() != idFlip) pressKey(window, VK_TAB);
    pressKey(window, VK_SPACE);
    ASSERT_TRUE(checked(idFlip));
    pressKey(window, VK_TAB);
    EXPECT_EQ(focused(), idMainDiagonal) << "Tab goes into the group at the checked one";
    pressKey(window, VK_DOWN);
    EXPECT_EQ(focused(), idOppositeDiagonal);
    EXPECT_TRUE(checked(idOppositeDiagonal));
    EXPECT_FALSE(checked(idMainDiagonal));
    EXPECT_EQ(dialog->logic().oppositeDiagonal, 0);
    EXPECT_FALSE(dialog->logic().readOptions().mainDiagonal) << "the opposite diagonal, chosen with keys only";
    pressKey(window, VK_TAB);
    EXPECT_EQ(focused(), idWriteBack) << "the group is one stop";
    pressKey(window, VK_TAB, true);
    EXPECT_EQ(focused(), idOppositeDiagonal);
    pressKey(window, VK_UP);
    EXPECT_EQ(focused(), idMainDiagonal);
    EXPECT_TRUE(dialog->logic().readOptions().mainDiagonal);

    expected.insert(expected.begin() + 7, idMainDiagonal);
    std::rotate(expected.begin(), expected.begin() + 7, expected.end());
    EXPECT_EQ(tabRound(), expected) << "Flip on: the checked diagonal after the Flip box";
}

// Dark pixels on the screen inside a control: its text, drawn.
int inkIn(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    int ink = 0;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t p = pixels[i];
        if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200) ++ink;
    }
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ink;
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// What the user does while a run services the window, from a thread timer.
std::function<void()> duringRun;
void CALLBACK onRunTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (duringRun) duringRun();
}

// redrawNow paints the controls over the background it erases.
TEST_F(NativeWindow, RedrawNowRepaintsTheControlsItErasesOver) {
    SetWindowTextA(item(idStatus), "Splitting:  C:\\scans\\slide01.tif");
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    ASSERT_GT(inkIn(item(idStatus)), 20);
    static_cast<DialogControls&>(*dialog).redrawNow();
    // A wait that takes no message, in which Wine puts what was painted on the screen.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 300, 0);
    EXPECT_GT(inkIn(item(idStatus)), 20) << "the status line is drawn again at once";
}

// Cancel, Escape or the close box in the pause after the first of three small files: that file
// stays whole, the others are not begun, no closing message, and then the dialog ends.
// Meanwhile only Cancel and the list are enabled, and a drag or a shell drop is refused.
TEST_F(NativeWindow, ClosingDuringARunStopsAfterTheCurrentFileThenEnds) {
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> endings = {
        {"Cancel", [](HWND w) { SendMessageA(GetDlgItem(w, idCancel), BM_CLICK, 0, 0); }},
        {"Escape", [](HWND w) { PostMessageA(GetDlgItem(w, idInputList), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close box", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [what, end] : endings) {
        SCOPED_TRACE(what);
        if (!IsWindow(window)) window = dialog->Create();
        ASSERT_NE(window, nullptr);
        const TemporaryFolder here;
        std::vector<std::string> inputs;
        for (const char* name : {"a.tif", "b.tif", "c.tif"}) inputs.push_back(ScanBuilder::scan(5, 3).write(here / name).string());
        dialog->logic().OnDropFiles(inputs);
        bool ended = false, stillOpen = false;
        FileDataObject carried({inputs[2]});
        duringRun = [&, end = end] {
            if (ended || SendDlgItemMessageA(window, idProgress, PBM_GETPOS, 0, 0) < 10) return;
            ended = true;
            for (int id : {idOk, idBrowseInput, idBrowseOutput, idOutputFolder, idFlip, idWriteBack})
                EXPECT_FALSE(enabled(id)) << id;
            EXPECT_TRUE(enabled(idCancel) && enabled(idInputList));
            DWORD effect = DROPEFFECT_COPY;
            EXPECT_EQ(dialog->dropTarget()->DragEnter(&carried, MK_LBUTTON, POINTL{10, 10}, &effect), S_OK);
            EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
            dialog->dropTarget()->DragLeave();
            SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(dropHandle({inputs[2]})), 0);
            EXPECT_EQ(SendDlgItemMessageA(window, idInputList, LB_GETCOUNT, 0, 0), 3);
            end(window);
            stillOpen = IsWindow(window) != FALSE;
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, onRunTimer);
        click(idOk);
        KillTimer(nullptr, timer);
        duringRun = nullptr;

        EXPECT_TRUE(ended);
        EXPECT_TRUE(stillOpen) << "not while the file is under way";
        EXPECT_FALSE(IsWindow(window)) << "the dialog ended after the run";
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(readTiff(here / "Reda.tif").pixels, patternImage(0, 5, 3)) << "whole";
        EXPECT_EQ(readTiff(here / "Greena.tif").pixels, patternImage(1, 5, 3));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(here.path()), std::filesystem::directory_iterator()), 5)
            << "the three inputs and the first file's two channels, nothing else";
    }
}

// Each position the run gives the progress bar is followed by a service of the window's messages.
WNDPROC progressProcedure = nullptr;
LRESULT CALLBACK watchedProgress(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS && duringRun) duringRun();
    return CallWindowProcA(progressProcedure, control, message, wParam, lParam);
}

// Cancel at 20 moments of a scan flipped in two bands and written to a disk so slow that each
// channel takes 10 s: measured in what that disk takes, the window's messages are never left for
// more than a quarter of its second and the run ends within one; nothing of the scan is left,
// the next is not begun.
TEST_F(NativeWindow, CancelAtAnyMomentOfASlowFlippedFileAbandonsItWithinASecond) {
    for (int moment = 0; moment < 20; ++moment) {
        SCOPED_TRACE(moment);
        if (!IsWindow(window)) window = dialog->Create();
        const TemporaryFolder here;
        const std::string b = ScanBuilder::scan(2048, 3072).write(here / "b.tif").string();
        dialog->logic().OnDropFiles({b, ScanBuilder::scan(5, 3).write(here / "c.tif").string()});
        if (!checked(idFlip)) click(idFlip);
        const std::uint64_t second = std::filesystem::file_size(b) / 20;  // the slow disk's bytes a second
        FaultyFileSystem slow({}, false, false, second);
        std::optional<std::uint64_t> asked;
        std::uint64_t serviced = 0, mostAway = 0;
        progressProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(item(idProgress), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchedProgress)));
        duringRun = [&] {
            const std::uint64_t now = slow.pacedBytes();
            mostAway = std::max(mostAway, now - serviced);
            serviced = now;
            if (asked || serviced < (moment + 0.5) * second) return;
            asked = serviced;
            click(idCancel);
        };
        click(idOk);
        duringRun = nullptr;

        ASSERT_TRUE(asked);
        EXPECT_LT(slow.pacedBytes() - *asked, second) << "written after Cancel";
        EXPECT_LE(mostAway, second / 4) << "written between two services of the window";
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(namesIn(here.path()), (std::vector<std::string>{"b.tif", "c.tif"})) << "nothing of b, nor of c";
    }
}

struct ChildFrame {
    RECT frame;
    bool groupBox;
};

std::vector<ChildFrame> childFrames(HWND dialog) {
    std::vector<ChildFrame> frames;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT frame;
        GetWindowRect(child, &frame);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
        frames.push_back({frame, classNameOf(child) == "Button" && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX});
    }
    return frames;
}

// Both windows at their smallest, as made and larger: every control inside the window and none
// over another, but for the group boxes around theirs; the list and the pictures take the room.
TEST_F(NativeWindow, ResizedWindowsKeepTheirControlsInsideAndApart) {
    dialog->logic().OnOpenFiles({(folder / "slide.tif").string()});
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(idInputList, LBN_DBLCLK), reinterpret_cast<LPARAM>(item(idInputList)));
    ASSERT_NE(dialog->previewDialog(), nullptr);
    for (const auto& [shown, grows] : {std::pair{window, idInputList}, {dialog->previewDialog()->window(), idPreviewComposite}}) {
        MINMAXINFO limits{};
        SendMessageA(shown, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        RECT made;
        GetWindowRect(shown, &made);
        const LONG width = made.right - made.left, height = made.bottom - made.top;
        EXPECT_LT(limits.ptMinTrackSize.y, height) << "it may shrink";
        LONG grownArea = 0;
        for (const SIZE size : {SIZE{limits.ptMinTrackSize.x, limits.ptMinTrackSize.y}, SIZE{width, height}, SIZE{width * 3 / 2, height * 4 / 3}}) {
            SCOPED_TRACE(::testing::Message() << windowTextOf(shown) << " at " << size.cx << " x " << size.cy);
            SetWindowPos(shown, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
            RECT client;
            GetClientRect(shown, &client);
            const std::vector<ChildFrame> frames = childFrames(shown);
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const RECT& a = frames[i].frame;
                EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom) << "#" << i;
                for (std::size_t j = i + 1; j < frames.size(); ++j) {
                    const RECT& b = frames[j].frame;
                    RECT overlap, both;
                    UnionRect(&both, &a, &b);
                    const bool held = (frames[i].groupBox && EqualRect(&both, &a)) || (frames[j].groupBox && EqualRect(&both, &b));
                    EXPECT_TRUE(held || !IntersectRect(&overlap, &a, &b)) << "#" << i << " and #" << j;
                }
            }
            RECT grown;
            GetClientRect(GetDlgItem(shown, grows), &grown);
            EXPECT_GT(grown.right * grown.bottom, grownArea) << "larger with the window";
            grownArea = grown.right * grown.bottom;
        }
    }
}

// Keys typed into whichever control has the focus (the check box would take + and -): each row
// from fit, then the scale the pictures share; the arrows move the view, the pointer's line tells
// the scale and the samples under it.
TEST_F(NativeWindow, ZoomKeysChangeTheScaleOfAllThreePictures) {
    dialog->logic().OnOpenFiles({ScanBuilder::scan(3000, 2000).write(folder / "slide.tif").string()});
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(idInputList, LBN_DBLCLK), reinterpret_cast<LPARAM>(item(idInputList)));
    const NativePreviewDialog& preview = *dialog->previewDialog();
    for (int wait = 0; wait < 200 && !preview.view(); ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    ASSERT_NE(preview.view(), nullptr) << "the page came";
    HWND curve = GetDlgItem(preview.window(), idPreviewLogarithmic);
    const auto type = [&](const std::vector<WPARAM>& keys) {
        for (const WPARAM key : keys) SendMessageA(curve, key < 0x100 && key != VK_LEFT && key != VK_RIGHT ? WM_CHAR : WM_KEYDOWN, key, 1);
    };
    struct Row {
        std::vector<WPARAM> keys;
        double pixelsPerSample;
        bool fit;
    };
    for (const Row& row : std::vector<Row>{{{'1'}, 1, false},
                                           {{'1', '+'}, 2, false},
                                           {{'1', '=', '+', '+', '+'}, 8, false},
                                           {{'1', '-'}, 0.5, false},
                                           {{'1', '-', '0'}, preview.view()->scale().pixelsPerSample, true},
                                           {{'-'}, preview.view()->scale().pixelsPerSample, true}}) {
        type({'0'});
        type(row.keys);
        EXPECT_DOUBLE_EQ(preview.view()->scale().pixelsPerSample, row.pixelsPerSample) << row.keys.size() << " keys";
        EXPECT_EQ(preview.view()->atFit(), row.fit);
    }
    EXPECT_FALSE(IsDlgButtonChecked(preview.window(), idPreviewLogarithmic)) << "+ zooms, not checks";
    type({'0', '1'});
    const double left = preview.view()->sampleX(0);
    type({VK_RIGHT});
    EXPECT_GT(preview.view()->sampleX(0), left);

    RECT composite;
    GetWindowRect(GetDlgItem(preview.window(), idPreviewComposite), &composite);
    MapWindowPoints(nullptr, preview.window(), reinterpret_cast<POINT*>(&composite), 2);
    SendMessageA(preview.window(), WM_MOUSEMOVE, 0, MAKELPARAM(composite.left + 10, composite.top + 10));
    EXPECT_EQ(windowTextOf(GetDlgItem(preview.window(), idPreviewPointer)).rfind("1 : 1   x ", 0), 0u)
        << windowTextOf(GetDlgItem(preview.window(), idPreviewPointer));
    // Dragging a picture by 40 pixels moves the view by 40 samples at 1 : 1; a notch of the wheel zooms in.
    const double before = preview.view()->sampleX(0);
    SendMessageA(preview.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(composite.left + 50, composite.top + 10));
    SendMessageA(preview.window(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(composite.left + 10, composite.top + 10));
    SendMessageA(preview.window(), WM_LBUTTONUP, 0, MAKELPARAM(composite.left + 10, composite.top + 10));
    EXPECT_DOUBLE_EQ(preview.view()->sampleX(0), before + 40);
    POINT notch{composite.left + 10, composite.top + 10};
    ClientToScreen(preview.window(), &notch);
    SendMessageA(preview.window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(notch.x, notch.y));
    EXPECT_DOUBLE_EQ(preview.view()->scale().pixelsPerSample, 2);
}

// 31 files: the list scrolls to the one under way, wherever it is, as the run makes it current;
// the status line shows the file's name of a path too long for it, and keeps the whole path.
TEST_F(NativeWindow, TheListScrollsToTheFileUnderWayAndLongPathsAreElided) {
    std::vector<std::string> paths;
    for (int i = 0; i < 31; ++i) paths.push_back("C:\\scans\\slide" + std::to_string(i) + ".tif");
    dialog->logic().OnOpenFiles(paths);
    HWND list = item(idInputList);
    RECT client;
    GetClientRect(list, &client);
    const auto lines = static_cast<int>(client.bottom / SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_LT(lines, 31);
    for (const int entry : {30, 0, 16, 29, 3}) {
        dialog->logic().selectInput(entry);
        const auto top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        EXPECT_TRUE(top <= entry && entry < top + lines) << entry << " with " << top << " at the top";
    }

    std::string path = "C:\\";
    for (int i = 0; i < 30; ++i) path += "a folder with a long name\\";
    dialog->logic().setStatusText("Splitting:  " + path + "slide01.tif");
    const std::string shown = windowTextOf(item(idStatus));
    EXPECT_LT(shown.size(), path.size());
    EXPECT_EQ(shown.substr(0, 14), "Splitting:  C:");
    EXPECT_EQ(shown.substr(shown.size() - 12), "\\slide01.tif");
    dialog->logic().UpdateData(true);
    EXPECT_EQ(dialog->logic().statusText, "Splitting:  " + path + "slide01.tif") << "read back whole";
}

TEST(RegistryStore, ReadsCreateTheKeyAndValuesComeBackWhole) {
    removeTestKey();
    RegistrySettingsStore store(testApplication);
    EXPECT_EQ(store.keyPath(), std::string("software\\Velmora\\DarozAvazi\\") + testApplication);
    EXPECT_EQ(store.read("LastTiffpath"), "");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, store.keyPath().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a read creates the key";
    if (key) RegCloseKey(key);

    for (const std::string& value : std::vector<std::string>{"C:\\scans\\", "  blanks  ", "", std::string(300, 'x')}) {
        store.write("LastOutputpath", value);
        EXPECT_EQ(store.read("LastOutputpath"), value);
    }
    EXPECT_EQ(RegistrySettingsStore("quillane-win32-other").read("LastOutputpath"), "");
    RegDeleteTreeA(HKEY_CURRENT_USER, "software\\Velmora\\DarozAvazi\\quillane-win32-other");
    removeTestKey();
}

TEST(StringTable, HoldsTheAboutItemAsTheWindowShowsIt) {
    char text[64] = {};
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), aboutMenuStringId, text, sizeof text), 0);
    EXPECT_STREQ(text, loadString(aboutMenuStringId));
}

TEST(VersionResource, IsReadFromTheRunningProgram) {
    NativeVersionSource source;
    const VersionResource resource = source.load();
    ASSERT_TRUE(resource.productVersion);
    EXPECT_EQ(ProductVersionText(*resource.productVersion), "A.6.3.1");
    ASSERT_TRUE(resource.legalCopyright);
    EXPECT_EQ(*resource.legalCopyright, "Copyright (C) 2026");
}

// The real About box: found while it is open, read and closed with OK.
std::string shownVersion, shownLegal;
RECT shownFrame;
void CALLBACK closeAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA(nullptr, "About Quillane");
    if (!box) return;
    KillTimer(nullptr, timer);
    GetWindowRect(box, &shownFrame);
    shownVersion = windowTextOf(GetDlgItem(box, idVersionText));
    shownLegal = windowTextOf(GetDlgItem(box, idLegalText));
    SendMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(AboutDialog, ShowsTheBoxesLinesUntilOk) {
    AboutBox box;
    box.versionText = "Quillane Version: A.6.3.1";
    box.legalText = "Copyright (C) 2026 Velmora Technologies";
    SetTimer(nullptr, 0, 50, closeAboutBox);
    NativeAboutBoxDialog dialog;
    dialog.DoModal(nullptr, box);
    EXPECT_EQ(shownVersion, box.versionText);
    EXPECT_EQ(shownLegal, box.legalText);
}

TEST_F(NativeWindow, AboutBoxOpensCentredOverTheWindow) {
    for (const POINT at : {POINT{0, 0}, POINT{300, 200}}) {
        SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT frame;
        GetWindowRect(window, &frame);
        SetTimer(nullptr, 0, 50, closeAboutBox);
        NativeAboutBoxDialog().DoModal(window, AboutBox{});
        EXPECT_NEAR((shownFrame.left + shownFrame.right) / 2, (frame.left + frame.right) / 2, 1);
        EXPECT_NEAR((shownFrame.top + shownFrame.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    }
}

}  // namespace
}  // namespace quillane
