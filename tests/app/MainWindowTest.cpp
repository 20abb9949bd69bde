// The window's logic, driven as the front ends drive it, with a scripted dialog and scripted
// choosers, message boxes, settings and version: no toolkit at all.
#include "ScriptedDialog.h"
#include "ScriptedServices.h"

#include "app/DialogTemplate.h"
#include "app/MainWindow.h"
#include "app/PreviewWindow.h"
#include "app/WindowPlacement.h"
#include "platform/FolderListing.h"
#include "scan/UserException.h"
#include "split/OutputNaming.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace quillane {
namespace {

using namespace testing;

// The folder part of a path as the running system writes it, with its trailing separator.
std::string folderOf(const std::string& path) {
    return DriveAndDirectory(path);
}

class Window : public ::testing::Test {
protected:
    ScriptedDialog dialog{mainDialogTemplate()};
    ScriptedFileChooser files;
    ScriptedFolderChooser folders;
    RecordingMessageBoxes messages{dialog};
    RecordingAboutBoxes about;
    MemorySettingsStore settings;
    FixedVersionSource version;
    NoPausePlatform platform;
    TemporaryFolder folder;
    MainWindow window{dialog, WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform}};

    void open() { ASSERT_TRUE(window.OnInitDialog()); }

    // A click as the dialog reports it: the button changes as the platform changes it, then
    // the window's handler runs.
    void click(int id) {
        static const std::map<int, void (MainWindow::*)()> handlers = {
            {idOk, &MainWindow::OnOK},
            {idBrowseInput, &MainWindow::OnBrowseInput},
            {idBrowseOutput, &MainWindow::OnBrowseOutput},
            {idFlip, &MainWindow::OnFlipClicked},
            {idMainDiagonal, &MainWindow::OnMainDiagonalClicked},
            {idOppositeDiagonal, &MainWindow::OnOppositeDiagonalClicked},
            {idWriteBack, &MainWindow::OnWriteBackClicked},
        };
        dialog.clickButton(id);
        (window.*handlers.at(id))();
    }
    void choose(std::vector<std::string> paths) {
        files.answers = {std::move(paths)};
        click(idBrowseInput);
    }
    std::vector<std::string>& listed() { return dialog[idInputList].entries; }
    std::string path(const std::string& name) const { return (folder / name).string(); }
};

TEST_F(Window, OpensWithTheStoredOutputFolderTheVersionInItsCaptionAndTheAboutItem) {
    settings.values = {{"LastOutputpath", "/data/out"}, {"LastTiffpath", "/scans/a.tif"}, {"LastTiffdir", "/scans/"}};
    open();

    EXPECT_EQ(dialog.caption, "Quillane: Velmora's Tiff Image Channel Splitter Utility (A.6.3.1)");
    ASSERT_EQ(dialog.systemMenu.size(), 1u);
    EXPECT_EQ(dialog.systemMenu[0].first, 16u);
    EXPECT_EQ(dialog.systemMenu[0].second, "&About Quillane ...");

    EXPECT_EQ(dialog[idOutputFolder].text, "/data/out");
    EXPECT_EQ(window.lastOutputFolder, "/data/out");
    EXPECT_EQ(window.lastInputPath, "/scans/a.tif");
    EXPECT_EQ(window.lastInputFolder, "/scans/");
    EXPECT_TRUE(listed().empty());
    for (int radio : {idMainDiagonal, idOppositeDiagonal}) {
        EXPECT_FALSE(dialog[radio].checked);
        EXPECT_FALSE(dialog[radio].enabled);
    }
    EXPECT_FALSE(dialog[idFlip].checked);
    EXPECT_FALSE(dialog[idWriteBack].checked);
    EXPECT_TRUE(dialog[idOutputFolder].enabled);
    EXPECT_TRUE(dialog[idBrowseOutput].enabled);
    EXPECT_EQ(dialog[idProgress].position, 0);
    EXPECT_EQ(dialog[idStatus].text, "");
    EXPECT_EQ(settings.writes, 0) << "opening stores nothing";
}

TEST_F(Window, CaptionStaysAsTheTemplateHasItWithoutAProductVersion) {
    version.resource.productVersion.reset();
    open();
    EXPECT_EQ(dialog.caption, "Quillane: Velmora's Tiff Image Channel Splitter Utility");
}

// The list keeps each path as given; the store keeps the last one whole, made so against the
// current directory at the moment it is taken, bytes that are not UTF-8 and all.
TEST_F(Window, ChosenFilesReplaceTheListAndAreRemembered) {
    struct Case {
        const char* what;
        std::vector<std::string> chosen;
    };
    std::vector<Case> cases = {
        {"one file", {path("slide01.tif")}},
        {"several files, in the dialog's order", {path("b.tif"), path("a.tif"), (folder / "other" / "place" / "c.TIF").string()}},
        {"a relative name", {"names/x.tif"}},
    };
    if (nativePathStyle == PathStyle::posix) cases.push_back({"a relative name not in UTF-8", {"caf\xE9/x.tif"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDialog fresh(mainDialogTemplate());
        MemorySettingsStore store;
        MainWindow other(fresh, WindowServices{&files, &folders, &messages, &about, &store, &version, &platform});
        other.OnInitDialog();
        files.answers = {std::vector<std::string>{"/old/x.tif", "/old/y.tif"}, c.chosen};
        other.OnBrowseInput();
        other.OnBrowseInput();

        EXPECT_EQ(fresh[idInputList].entries, c.chosen);
        const std::string last = std::filesystem::absolute(c.chosen.back()).string();
        EXPECT_EQ(other.lastInputPath, last);
        EXPECT_EQ(other.lastInputFolder, folderOf(last));
        EXPECT_EQ(store.stored("LastTiffpath"), last);
        EXPECT_EQ(store.stored("LastTiffdir"), folderOf(last));
        EXPECT_EQ(store.stored("LastOutputpath"), "");
    }
}

TEST_F(Window, ListScrollsAsFarAsItsWidestPathEverNeeded) {
    open();
    const std::string longPath = "/scans/" + std::string(80, 'x') + ".tif";
    choose({"/a.tif", longPath, "/b.tif"});
    const int wide = static_cast<int>(longPath.size()) * ScriptedDialog::pixelsPerCharacter;
    EXPECT_EQ(dialog[idInputList].extent, wide);

    choose({"/c.tif"});
    EXPECT_EQ(dialog[idInputList].extent, wide) << "a shorter set keeps the wider extent";
    EXPECT_EQ(listed(), std::vector<std::string>{"/c.tif"});
}

TEST_F(Window, FileDialogIsAskedForSeveralTiffsStartingAtTheRememberedFile) {
    open();
    settings.values = {{"LastTiffpath", "/scans/slide07.tif"}, {"LastTiffdir", "/scans/"}};
    click(idBrowseInput);

    ASSERT_EQ(files.requests.size(), 1u);
    const OpenFilesRequest& request = files.requests[0];
    EXPECT_EQ(files.owners[0], dialog.handle());
    EXPECT_EQ(request.title, "Select Tiff");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].label, "Tiff files (*.tif;*.tiff)");
    EXPECT_EQ(request.filters[0].pattern, "*.tif;*.tiff");
    EXPECT_EQ(request.filters[1].label, "All Files (*.*)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_TRUE(request.multipleSelection);
    EXPECT_EQ(request.initialFolder, "/scans/") << "read from the store when the button is pressed";
    EXPECT_EQ(request.initialFile, "/scans/slide07.tif");

    settings.values["LastTiffpath"] = std::string(300, 'p');
    settings.values["LastTiffdir"] = std::string(300, 'd');
    click(idBrowseInput);
    EXPECT_EQ(files.requests[1].initialFile, std::string(260, 'p')) << "the dialog's buffers hold 260 characters";
    EXPECT_EQ(files.requests[1].initialFolder, std::string(260, 'd'));
}

TEST_F(Window, CancelledChoosersChangeNothing) {
    open();
    choose({path("a.tif"), path("b.tif")});
    files.answers = {std::nullopt};
    click(idBrowseInput);
    files.answers = {std::vector<std::string>{}};
    click(idBrowseInput);

    EXPECT_EQ(listed(), (std::vector<std::string>{path("a.tif"), path("b.tif")}));
    EXPECT_EQ(window.lastInputPath, path("b.tif"));
    EXPECT_EQ(window.lastInputFolder, folderOf(path("b.tif")));
    EXPECT_EQ(settings.stored("LastTiffpath"), path("b.tif"));

    settings.values["LastOutputpath"] = "/kept";
    const int writes = settings.writes;
    folders.answers = {std::nullopt};
    click(idBrowseOutput);
    EXPECT_EQ(settings.writes, writes);
    EXPECT_EQ(window.outputFolder, "/kept") << "the handler still read the store at its start";
    EXPECT_EQ(dialog[idOutputFolder].text, "") << "but wrote nothing back to the controls";
}

// Files and folders dropped on the window (or named on its command line) as the shell names them.
TEST_F(Window, DroppedFilesAndFoldersFillTheListAsChosenFilesDo) {
    const auto file = [&](const std::string& name) {
        writeFile(folder / name, {});
        return path(name);
    };
    std::filesystem::create_directories(folder / "scans" / "nested");
    std::filesystem::create_directories(folder / "scans" / "folder.tif");
    for (const char* name : {"scans/b.tif", "scans/A.TIFF", "scans/c.tiff", "scans/notes.txt", "scans/d.tif.bak",
                             "scans/nested/e.tif"})
        file(name);
    // A folder split back into itself before, flipped and not: its channel files are no scans.
    std::filesystem::create_directories(folder / "split");
    for (const char* name : {"Slide01.tif", "RedSlide01.tif", "GreenSlide01.tif", "RedSlide01_FlippedLLtoUR.tif",
                             "GreenSlide01_FlippedULtoLR.tif", "slide2.TIF", "Redslide2.TIF", "Slide10.tif",
                             "Redundant.tif", "GreenSlide10.tiff", "B.tif", "a.tiff", "c.tif"})
        file(std::string("split/") + name);
    std::vector<std::string> splitInNameOrder;
    for (const char* name : {"a.tiff", "B.tif", "c.tif", "GreenSlide10.tiff", "Redundant.tif", "Slide01.tif", "slide2.TIF",
                             "Slide10.tif"})
        splitInNameOrder.push_back(path(std::string("split/") + name));
    const std::string scans = path("scans");
    const std::vector<std::string> scansInNameOrder = {path("scans/A.TIFF"), path("scans/b.tif"), path("scans/c.tiff")};

    struct Case {
        const char* what;
        std::vector<std::string> dropped;
        std::vector<std::string> listed;
    };
    const std::vector<Case> cases = {
        {"files, in the order dropped", {file("z.tif"), file("y.tif")}, {path("z.tif"), path("y.tif")}},
        {"a file of any name, as Browse's All Files takes it", {file("other.dat")}, {path("other.dat")}},
        {"a folder: its .tif and .tiff files in name order, not its subfolders' nor other files",
         {scans}, scansInNameOrder},
        {"a folder named with a trailing separator", {(folder.path() / "scans" / "").string()}, scansInNameOrder},
        {"a folder split into itself before: its scans without their channel files, numbers by value, "
         "letters without case",
         {path("split")}, splitInNameOrder},
        {"files and a folder, what is neither left out",
         {file("z.tif"), path("missing.tif"), "", scans},
         {path("z.tif"), scansInNameOrder[0], scansInNameOrder[1], scansInNameOrder[2]}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDialog fresh(mainDialogTemplate());
        MemorySettingsStore store;
        store.values = {{"LastOutputpath", "/stored/out"}};
        MainWindow other(fresh, WindowServices{&files, &folders, &messages, &about, &store, &version, &platform});
        other.OnInitDialog();
        files.answers = {std::vector<std::string>{"/old/x.tif", "/old/y.tif"}};
        other.OnBrowseInput();
        fresh[idOutputFolder].text = "/typed, not yet stored";
        other.OnDropFiles(c.dropped);

        ASSERT_EQ(fresh[idInputList].entries.size(), c.listed.size());
        for (std::size_t i = 0; i < c.listed.size(); ++i) {
            EXPECT_TRUE(std::filesystem::equivalent(fresh[idInputList].entries[i], c.listed[i])) << i;
        }
        const std::string last = fresh[idInputList].entries.back();
        EXPECT_EQ(other.lastInputPath, last);
        EXPECT_EQ(other.lastInputFolder, folderOf(last));
        EXPECT_EQ(store.stored("LastTiffpath"), last);
        EXPECT_EQ(store.stored("LastTiffdir"), folderOf(last));
        EXPECT_EQ(store.stored("LastOutputpath"), "/stored/out") << "the store has the last word, as with Browse";
        EXPECT_EQ(fresh[idOutputFolder].text, "/stored/out");
        EXPECT_GE(fresh[idInputList].extent, static_cast<int>(last.size()) * ScriptedDialog::pixelsPerCharacter);
    }
}

TEST_F(Window, DropWithNothingUsableChangesNothing) {
    std::filesystem::create_directories(folder / "empty");
    std::filesystem::create_directories(folder / "texts" / "inner.tif");
    writeFile(folder / "texts" / "read me.txt", {});
    open();
    choose({path("a.tif"), path("b.tif")});
    dialog[idOutputFolder].text = "/typed";
    const int writes = settings.writes;

    window.OnDropFiles({});
    window.OnDropFiles({path("missing.tif"), path("empty"), path("texts"), ""});

    EXPECT_EQ(listed(), (std::vector<std::string>{path("a.tif"), path("b.tif")}));
    EXPECT_EQ(window.lastInputPath, path("b.tif"));
    EXPECT_EQ(settings.writes, writes);
    EXPECT_EQ(dialog[idOutputFolder].text, "/typed");
}

// Paths stay in the program's 8-bit encoding from the drop to the list: a name with a letter
// outside ASCII (Latin-1 ü, as the Windows code page 1252 has it) comes back as it was given.
TEST_F(Window, DroppedNamesOutsideAsciiKeepTheirBytes) {
    const std::string name = "M\xFCller.tif";
    std::filesystem::create_directories(folder / "lab");
    const std::string inFolder = (folder / "lab").string() + (nativePathStyle == PathStyle::windows ? "\\" : "/") + name;
    std::ofstream(inFolder.c_str()).put('x');  // named in 8-bit, as the program names files
    if (pathKind(inFolder) != PathKind::file) GTEST_SKIP() << "the system's code page has no such name";
    open();

    window.OnDropFiles({(folder / "lab").string()});
    EXPECT_EQ(listed(), std::vector<std::string>{inFolder});
    window.OnDropFiles({inFolder});
    EXPECT_EQ(listed(), std::vector<std::string>{inFolder});
}

// "Open with": the front ends hand the program's arguments over once the window is open. A
// name that is no file is listed as given, so that the split says why it cannot be split.
TEST_F(Window, StartsWithTheFilesItIsOpenedWith) {
    writeFile(folder / "slide.tif", {});
    settings.values = {{"LastOutputpath", "/data/out"}, {"LastTiffpath", "/old/x.tif"}, {"LastTiffdir", "/old/"}};
    open();
    window.OnOpenFiles({path("slide.tif"), path("nothere.tif"), ""});

    EXPECT_EQ(listed(), (std::vector<std::string>{path("slide.tif"), path("nothere.tif")}));
    EXPECT_EQ(settings.stored("LastTiffpath"), path("nothere.tif"));
    EXPECT_EQ(settings.stored("LastTiffdir"), folderOf(path("nothere.tif")));
    EXPECT_EQ(dialog[idOutputFolder].text, "/data/out");

    window.OnOpenFiles({path("nothere.tif")});
    click(idWriteBack);
    click(idOk);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind(path("nothere.tif") + " : ", 0), 0u) << messages.shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(folder / "Rednothere.tif"));
}

// The order a file manager shows a folder in by name, the list's order for a dropped folder.
TEST(FolderOrder, NumbersByValueLettersWithoutCase) {
    const std::vector<std::pair<std::string, std::string>> before = {
        {"a.tiff", "B.tif"},
        {"B.tif", "c.tif"},
        {"slide2.tif", "slide10.tif"},
        {"slide2.tif", "Slide10.tif"},
        {"slide9.tif", "slide010.tif"},
        {"scan99999999999999999999999.tif", "scan100000000000000000000000.tif"},
        {"a1b2.tif", "a1b10.tif"},
        {"", "a.tif"},
    };
    for (const auto& [first, second] : before) {
        EXPECT_TRUE(namedBefore(first, second)) << first << " before " << second;
        EXPECT_FALSE(namedBefore(second, first)) << second << " after " << first;
    }
    // Names level in that order still keep one fixed order.
    for (const auto& [one, other] : std::vector<std::pair<std::string, std::string>>{{"a.tif", "A.tif"}, {"01.tif", "1.tif"}}) {
        EXPECT_NE(namedBefore(one, other), namedBefore(other, one)) << one << " and " << other;
        EXPECT_FALSE(namedBefore(one, one));
    }
}

TEST_F(Window, FlipBoxAndRadioButtonsKeepOneDiagonal) {
    open();
    const auto state = [&] { return std::make_pair(dialog[idMainDiagonal].checked, dialog[idOppositeDiagonal].checked); };

    click(idFlip);
    EXPECT_TRUE(dialog[idMainDiagonal].enabled && dialog[idOppositeDiagonal].enabled);
    EXPECT_EQ(state(), std::make_pair(true, false)) << "the main diagonal is the default";
    EXPECT_TRUE(window.readOptions().flip);
    EXPECT_TRUE(window.readOptions().mainDiagonal);

    click(idOppositeDiagonal);
    EXPECT_EQ(state(), std::make_pair(false, true));
    EXPECT_EQ(window.oppositeDiagonal, 0);
    EXPECT_EQ(window.mainDiagonal, -1);
    EXPECT_FALSE(window.readOptions().mainDiagonal);

    click(idOppositeDiagonal);
    EXPECT_EQ(state(), std::make_pair(false, true)) << "clicking the checked button keeps it checked";

    click(idMainDiagonal);
    EXPECT_EQ(state(), std::make_pair(true, false));
    EXPECT_TRUE(window.readOptions().mainDiagonal);

    click(idOppositeDiagonal);
    click(idFlip);
    EXPECT_EQ(state(), std::make_pair(false, false));
    EXPECT_FALSE(dialog[idMainDiagonal].enabled || dialog[idOppositeDiagonal].enabled);
    EXPECT_EQ(window.mainDiagonal, -1);
    EXPECT_EQ(window.oppositeDiagonal, -1);
    EXPECT_FALSE(window.readOptions().flip);

    click(idFlip);
    EXPECT_EQ(state(), std::make_pair(true, false)) << "checking the box again goes back to the main diagonal";
    EXPECT_EQ(settings.writes, 0) << "the options are never stored";
}

TEST_F(Window, WriteBackDisablesTheOutputFolderButKeepsAndSavesIt) {
    open();
    dialog[idOutputFolder].text = "/data/out";
    click(idWriteBack);

    EXPECT_FALSE(dialog[idOutputFolder].enabled);
    EXPECT_FALSE(dialog[idBrowseOutput].enabled);
    EXPECT_EQ(dialog[idOutputFolder].text, "/data/out");
    const SplitOptions options = window.readOptions();
    EXPECT_TRUE(options.writeBack);
    EXPECT_EQ(options.outputFolder, "/data/out");

    window.OnOutputFolderKillFocus();
    EXPECT_EQ(settings.stored("LastOutputpath"), "/data/out");
    choose({"/scans/a.tif"});
    EXPECT_EQ(settings.stored("LastOutputpath"), "/data/out");

    click(idWriteBack);
    EXPECT_TRUE(dialog[idOutputFolder].enabled);
    EXPECT_TRUE(dialog[idBrowseOutput].enabled);
}

TEST_F(Window, TypedFolderIsStoredUntrimmedWhenTheBoxLosesTheFocus) {
    open();
    dialog[idOutputFolder].text = "  /no such/folder ";
    EXPECT_EQ(settings.stored("LastOutputpath"), "<missing>");

    window.OnOutputFolderKillFocus();
    EXPECT_EQ(settings.stored("LastOutputpath"), "  /no such/folder ");
    EXPECT_EQ(window.outputFolder, "  /no such/folder ");
    EXPECT_EQ(window.lastOutputFolder, "") << "only the next load brings it level";

    ScriptedDialog restarted(mainDialogTemplate());
    MainWindow again(restarted, WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform});
    again.OnInitDialog();
    EXPECT_EQ(restarted[idOutputFolder].text, "  /no such/folder ");
}

TEST_F(Window, BrowsedFolderIsTrimmedAndPreselectedOnlyWhenItCanBeEntered) {
    const std::string existing = folder.path().string();
    const auto before = std::filesystem::current_path();
    open();
    folders.answers = {"  " + existing + " \t\r\n", std::nullopt};
    click(idBrowseOutput);
    EXPECT_EQ(window.outputFolder, existing);
    EXPECT_EQ(window.lastOutputFolder, existing);
    EXPECT_EQ(dialog[idOutputFolder].text, existing);
    EXPECT_EQ(settings.stored("LastOutputpath"), existing);

    click(idBrowseOutput);
    settings.values["LastOutputpath"] = path("gone");
    click(idBrowseOutput);

    EXPECT_EQ(folders.titles, std::vector<std::string>(3, "Browse for Tiff output Directory"));
    EXPECT_EQ(folders.preselections, (std::vector<std::string>{"", existing, ""}));
    EXPECT_EQ(std::filesystem::current_path(), before);

    folders.answers = {std::string("out")};
    click(idBrowseOutput);
    EXPECT_EQ(settings.stored("LastOutputpath"), std::filesystem::absolute("out").string()) << "remembered whole";
}

TEST_F(Window, BrowseButtonsTakeTheRememberedPathsFromTheStoreNotTheWindow) {
    open();
    dialog[idOutputFolder].text = "/typed";
    settings.values = {{"LastOutputpath", "/from another copy"}, {"LastTiffpath", "/x/y.tif"}};
    files.answers = {std::nullopt};
    click(idBrowseInput);
    EXPECT_EQ(window.outputFolder, "/from another copy");
    EXPECT_EQ(window.lastOutputFolder, "/from another copy");
    EXPECT_EQ(window.lastInputPath, "/x/y.tif");
}

TEST_F(Window, SplitTiffWritesTheChannelsReportsProgressAndStaysOpen) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto second = ScanBuilder::scan(4, 2).write(folder / "slide02.tif").string();
    const auto out = folder / "out";
    std::filesystem::create_directory(out);
    open();
    choose({input, second});
    dialog[idOutputFolder].text = out.string();
    dialog.positions.clear();

    click(idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Successfully created files ");
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].owner, dialog.handle());
    EXPECT_EQ(messages.shown[0].progress, 10);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + second);
    EXPECT_EQ(dialog.positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    EXPECT_EQ(dialog[idProgress].low, 0);
    EXPECT_EQ(dialog[idProgress].high, 10);
    // The window is serviced after every stage and, instead of a blind sleep, through each pause.
    std::vector<int> serviced(10, 0);
    serviced.push_back(2000);
    serviced.insert(serviced.end(), serviced.begin(), serviced.end());
    serviced.push_back(0);  // the bar back at 0 after the closing message
    EXPECT_EQ(dialog.services, serviced);
    EXPECT_TRUE(platform.pauses.empty());
    EXPECT_EQ(dialog.endings, 0);
    EXPECT_EQ(dialog.redraws, 3) << "one per file and one at the end";
    EXPECT_EQ(dialog.waitCursorDepth, 0);
    EXPECT_EQ(dialog.deepestWaitCursor, 1);

    const TiffReadBack red = readTiff(out / "Redslide01.tif");
    ASSERT_TRUE(red.opened);
    EXPECT_EQ(red.width, 5u);
    EXPECT_EQ(red.height, 3u);
    ASSERT_EQ(red.pixels.size(), 15u);
    EXPECT_EQ(red.pixels[4], ScanBuilder::patternSample(0, 0, 4));
    const TiffReadBack green = readTiff(out / "Greenslide01.tif");
    ASSERT_EQ(green.pixels.size(), 15u);
    EXPECT_EQ(green.pixels[4], ScanBuilder::patternSample(1, 0, 4));
    EXPECT_EQ(readTiff(out / "Redslide02.tif").width, 4u);
    EXPECT_EQ(readTiff(out / "Greenslide02.tif").height, 2u);

    EXPECT_EQ(listed(), (std::vector<std::string>{input, second}));
    EXPECT_EQ(dialog[idInputList].current, 1);
    EXPECT_EQ(dialog[idProgress].position, 0);
    EXPECT_EQ(dialog[idStatus].text, "");
}

// While a run services the window, what would do nothing is disabled (all but Cancel and the
// list), and a click or a drop that reaches a handler all the same changes nothing: the run goes
// on with what it read. Afterwards each control is as the options make it.
TEST_F(Window, DuringARunItsButtonsOptionsAndDropsAreDisabledAndDoNothing) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto other = ScanBuilder::scan(5, 3).write(folder / "other.tif").string();
    open();
    choose({input});
    click(idFlip);
    click(idWriteBack);
    files.answers = {std::vector<std::string>{other}};
    folders.answers = {std::string("/elsewhere")};
    const int readsBefore = settings.reads;
    const std::size_t requestsBefore = files.requests.size();
    dialog.onService = [&](int) {
        if (dialog.services.size() != 3) return;
        for (int id : {idOk, idBrowseInput, idBrowseOutput, idOutputFolder, idFlip, idMainDiagonal, idOppositeDiagonal,
                       idWriteBack})
            EXPECT_FALSE(dialog[id].enabled) << id;
        EXPECT_TRUE(dialog[idCancel].enabled && dialog[idInputList].enabled);
        window.OnOK();
        window.OnBrowseInput();
        window.OnBrowseOutput();
        window.OnOppositeDiagonalClicked();
        window.OnWriteBackClicked();
        window.OnFlipClicked();
        window.OnDropFiles({other});
        EXPECT_TRUE(dialog[idMainDiagonal].checked && !dialog[idOppositeDiagonal].checked);
        EXPECT_TRUE(dialog[idFlip].checked && dialog[idWriteBack].checked);
        EXPECT_EQ(dialog[idStatus].text, "Splitting:  " + input);
    };

    click(idOk);

    EXPECT_EQ(messages.shown.size(), 1u) << "one run, one closing message";
    EXPECT_EQ(dialog.positions.size(), 11u);
    EXPECT_EQ(files.requests.size(), requestsBefore) << "no chooser opened";
    EXPECT_TRUE(folders.titles.empty());
    EXPECT_EQ(settings.reads, readsBefore);
    EXPECT_EQ(listed(), std::vector<std::string>{input});
    EXPECT_TRUE(std::filesystem::exists(path("Redslide01_FlippedLLtoUR.tif")));
    EXPECT_FALSE(std::filesystem::exists(path("Redslide01_FlippedULtoLR.tif")));
    EXPECT_FALSE(window.running());
    EXPECT_TRUE(dialog[idOk].enabled && dialog[idFlip].enabled && dialog[idMainDiagonal].enabled);
    EXPECT_FALSE(dialog[idOutputFolder].enabled || dialog[idBrowseOutput].enabled) << "write-back is on";
    click(idOppositeDiagonal);
    EXPECT_EQ(window.oppositeDiagonal, 0) << "after the run the options answer again";
}

// Cancel or the close box between the stages of a small file abandons it whole, in the pause after
// it the file stays; no later file is begun, no closing message, and then the dialog ends.
TEST_F(Window, CancelDuringARunEndsTheDialogAfterTheCurrentFile) {
    const struct {
        const char* when;
        std::size_t service;  // the servicing in which the user cancels: one per stage, then the pause
        bool abandoned;       // the file under way leaves nothing
    } moments[] = {{"between the two channel files", 7, true}, {"in the pause after the file", 11, false}};
    for (const auto& moment : moments) {
        SCOPED_TRACE(moment.when);
        ScriptedDialog controls{mainDialogTemplate()};
        RecordingMessageBoxes shown{controls};
        MainWindow running{controls, WindowServices{&files, &folders, &shown, &about, &settings, &version, &platform}};
        const TemporaryFolder here;
        const auto first = ScanBuilder::scan(5, 3).write(here / "a.tif").string();
        const auto second = ScanBuilder::scan(5, 3).write(here / "b.tif").string();
        running.OnInitDialog();
        running.OnDropFiles({first, second});
        controls.onService = [&](int) {
            if (controls.services.size() != moment.service) return;
            running.OnCancel();
            EXPECT_EQ(controls.endings, 0) << "not while the file is under way";
        };

        running.OnOK();

        EXPECT_EQ(controls.endings, 1);
        EXPECT_TRUE(shown.shown.empty());
        EXPECT_EQ(controls.services.size(), moment.service) << "the run stopped there";
        if (!moment.abandoned) {
            EXPECT_EQ(readTiff(here / "Reda.tif").pixels, patternImage(0, 5, 3)) << "whole";
            EXPECT_EQ(readTiff(here / "Greena.tif").pixels, patternImage(1, 5, 3));
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(here.path()), std::filesystem::directory_iterator()),
                  moment.abandoned ? 2 : 4) << "the two inputs and the first file's two channels, nothing else";
        EXPECT_EQ(controls.waitCursorDepth, 0);
    }
    open();
    window.OnCancel();
    EXPECT_EQ(dialog.endings, 1) << "without a run, Cancel ends the dialog at once";
}

TEST_F(Window, FlippedSplitBesideTheInputsCarriesTheSuffix) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    open();
    choose({input});
    dialog[idOutputFolder].text = "/no/such/folder";
    click(idWriteBack);
    click(idFlip);
    click(idOppositeDiagonal);

    click(idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    for (const char* name : {"Redslide01_FlippedULtoLR.tif", "Greenslide01_FlippedULtoLR.tif"}) {
        const TiffReadBack written = readTiff(folder / name);
        EXPECT_EQ(written.width, 3u) << name;
        EXPECT_EQ(written.height, 5u) << name;
    }
}

TEST_F(Window, FailingFileShowsItsMessageAndEndsTheRun) {
    const auto good = ScanBuilder::scan(5, 3).write(folder / "good.tif").string();
    const auto bad = path("bad.tif");
    writeFile(bad, {'I', 'I', 42, 0, 8, 0, 0});
    const auto later = ScanBuilder::scan(5, 3).write(folder / "later.tif").string();
    open();
    choose({good, bad, later});

    click(idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, bad + " : This file is too small to be a tiff file");
    EXPECT_EQ(messages.shown[0].caption, "Cannot Split this tiff");
    EXPECT_EQ(messages.shown[0].progress, 0);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + bad);
    EXPECT_TRUE(std::filesystem::exists(path("Redgood.tif")));
    EXPECT_FALSE(std::filesystem::exists(path("Redlater.tif")));
    EXPECT_EQ(dialog[idInputList].current, 1);
    EXPECT_EQ(dialog.waitCursorDepth, 0);
}

TEST_F(Window, RefusedOutputFolderIsNamedAndNothingIsWritten) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto before = std::filesystem::current_path();
    open();
    choose({input});
    dialog[idOutputFolder].text = path("missing");

    click(idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The Output path (" + path("missing") + ") is not a valid path. Please correct this and try again");
    EXPECT_EQ(messages.shown[0].caption, "Cannot Split this tiff");
    EXPECT_FALSE(std::filesystem::exists(path("Redslide01.tif")));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(Window, EmptyListSplitsNothingButReadsTheOptions) {
    open();
    dialog[idOutputFolder].text = "/typed";
    click(idOk);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(window.outputFolder, "/typed");
    EXPECT_TRUE(dialog.positions.empty());
}

TEST_F(Window, SystemCommands16To31OpenTheAboutBox) {
    open();
    for (unsigned id : {0u, 15u, 16u, 17u, 24u, 31u, 32u, 0xF010u, 0xF060u}) {
        SCOPED_TRACE(id);
        about.shown.clear();
        const bool about16 = (id & 0xFFF0) == 16;
        EXPECT_EQ(window.OnSysCommand(id), about16) << "other commands are left to the platform";
        ASSERT_EQ(about.shown.size(), about16 ? 1u : 0u);
        if (about16) {
            EXPECT_EQ(about.shown[0].versionText, "Quillane Version: A.6.3.1");
            EXPECT_EQ(about.shown[0].legalText, "Copyright (C) 2026 Velmora Technologies");
            EXPECT_EQ(about.owners[0], dialog.handle());
        }
    }
}

TEST(AboutBox, ShowsWhatTheVersionResourceHoldsAndLeavesTheRestEmpty) {
    struct Case {
        VersionResource resource;
        const char* version;
        const char* legal;
    };
    const Case cases[] = {
        {{FixedVersion{1, 6, 3, 1}, std::string("Copyright (C) 2026")}, "Quillane Version: A.6.3.1",
         "Copyright (C) 2026 Velmora Technologies"},
        {{FixedVersion{2, 0, 0, 5}, std::nullopt}, "Quillane Version: B.0.0.5", ""},
        {{std::nullopt, std::string("(C) Someone")}, "", "(C) Someone Velmora Technologies"},
        {{}, "", ""},
    };
    for (const Case& c : cases) {
        AboutBox box;
        box.takeVersion(c.resource);
        EXPECT_EQ(box.versionText, c.version);
        EXPECT_EQ(box.legalText, c.legal);
    }
}

TEST(Version, ProductVersionTextIsALetterAndThreeNumbers) {
    const struct {
        FixedVersion version;
        const char* text;
    } cases[] = {
        {{1, 6, 3, 1}, "A.6.3.1"},
        {{2, 0, 0, 5}, "B.0.0.5"},
        {{0, 1, 2, 3}, "@.1.2.3"},
        {{26, 10, 200, 65535}, "Z.10.200.65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProductVersionText(c.version), c.text);
    EXPECT_EQ(versionCaption("Quillane", {FixedVersion{1, 6, 3, 1}, std::nullopt}), "Quillane (A.6.3.1)");
    EXPECT_EQ(versionCaption("Quillane", VersionResource{}), "Quillane");
}

// The preview window follows the latest request only: the work of an older one is told to stop
// and its page is not shown; asking again for what is shown starts nothing, and the diagonal
// matters only with the flip on. A refused file's page says why, as the split would.
TEST(PreviewWindowLogic, OnlyTheLatestRequestIsMadeAndShown) {
    const TemporaryFolder folder;
    const std::string scan = ScanBuilder::scan(5, 3).write(folder / "slide.tif").string();
    PreviewWindow window;
    const auto first = window.follow(scan, false, false);
    ASSERT_TRUE(first);
    EXPECT_FALSE(window.follow(scan, false, true)) << "no flip: the diagonal changes nothing";
    const auto flipped = window.follow(scan, true, false);
    ASSERT_TRUE(flipped);
    EXPECT_TRUE(first->stop->load()) << "the older work is told to stop";
    EXPECT_FALSE(window.isCurrent(first->run()));
    const PreviewPage page = flipped->run();
    EXPECT_TRUE(window.isCurrent(page));
    EXPECT_EQ(page.summary, "3.5 KiB, 3 \u00d7 5 pixels of 5 \u00d7 5 \u00b5m, flipped along the opposite diagonal");
    EXPECT_EQ(window.pictureName(), (folder / "slide_FlippedULtoLR_preview.png").string());
    EXPECT_FALSE(window.follow(scan, true, false));

    window.stop();
    EXPECT_TRUE(flipped->stop->load());
    const std::string refused = (folder / "missing.tif").string();
    const PreviewPage refusal = window.follow(refused, true, false)->run();
    EXPECT_EQ(refusal.preview, nullptr);
    EXPECT_EQ(refusal.summary, UserException(refused, 2).what()) << "the split's text for a missing file";

    // The page holds the picture --preview writes (which the window saves), shown scaled down.
    const PreviewPage tall = window.follow(ScanBuilder::scan(3, 3000).write(folder / "tall.tif").string(), false, false)->run();
    EXPECT_EQ(std::make_pair(tall.preview->grid.columns, tall.preview->grid.rows), std::make_pair(1u, 1000u));
}

// A window's remembered place is read back as written; anything else in the store is no place
// at all, and a place off a screen that has since shrunk is brought back onto it, never smaller
// than the window's least size.
TEST(WindowPlace, ReadBackAsWrittenAndAlwaysWithinReach) {
    const WindowPlacement kept{-30, 40, 900, 700, true};
    EXPECT_EQ(placementText(*parsePlacement(placementText(kept))), "-30,40,900,700,maximized");
    for (const char* text : {"", "1,2,3", "1,2,3,4,", "1,2,0,4", "1,2,3,-4", "a,2,3,4", "1,2,3,4,minimized", "1, 2,3,4", "99999999999,2,3,4"})
        EXPECT_FALSE(parsePlacement(text)) << text;
    const WindowPlacement screen{0, 0, 1280, 1024, false};
    const struct {
        WindowPlacement placement;
        const char* fitted;
    } cases[] = {
        {{100, 100, 800, 600, false}, "100,100,800,600"},
        {{2000, -50, 800, 600, false}, "480,0,800,600"},   // on a screen no longer there
        {{-10, 900, 1920, 1200, true}, "0,0,1280,1024,maximized"},
        {{10, 10, 100, 50, false}, "10,10,300,200"},        // smaller than the window can be
    };
    for (const auto& c : cases) EXPECT_EQ(placementText(c.placement.fittedTo(screen, 300, 200)), c.fitted);
}

TEST(Resources, StringTableHoldsTheAboutItem) {
    EXPECT_STREQ(loadString(aboutMenuStringId), "&About Quillane ...");
    EXPECT_STREQ(loadString(102), "");
}

}  // namespace
}  // namespace quillane
