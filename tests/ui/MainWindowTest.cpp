#include "ScriptedServices.h"

#include "support/ScanBuilder.h"
#include "ui/AboutBox.h"
#include "ui/DesktopApp.h"
#include "ui/DialogTemplate.h"
#include "ui/MainWindow.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>

namespace quillane {
namespace {

using namespace testing;

class Window : public ::testing::Test {
protected:
    ScriptedFileChooser files;
    ScriptedFolderChooser folders;
    RecordingMessageBoxes messages;
    NoPausePlatform platform;
    TemporaryFolder folder;

    void SetUp() override { clearStore(); }

    std::unique_ptr<MainWindow> open() {
        auto window = std::make_unique<MainWindow>(WindowServices{&files, &folders, &messages, &platform, SettingsStore()});
        window->show();
        return window;
    }

    template <class Widget = QWidget>
    static Widget* control(MainWindow& window, int id) {
        return static_cast<Widget*>(window.controls().control(id));
    }
    static std::vector<std::string> listed(MainWindow& window) {
        std::vector<std::string> paths;
        for (int i = 0; i < window.inputList->count(); ++i) paths.push_back(window.inputList->item(i)->text().toStdString());
        return paths;
    }
    static void click(MainWindow& window, int id) { QTest::mouseClick(control(window, id), Qt::LeftButton); }

    std::string path(const std::string& name) const { return (folder / name).string(); }
};

TEST_F(Window, StartsEmptyWithTheStoredOutputFolderAndTheVersionInItsCaption) {
    store("LastOutputpath", "/data/out");
    auto window = open();

    EXPECT_EQ(window->inputList->count(), 0);
    EXPECT_EQ(window->outputFolderEdit->text().toStdString(), "/data/out");
    EXPECT_EQ(window->lastOutputFolder, "/data/out");
    for (QRadioButton* radio : {window->mainDiagonalRadio, window->oppositeDiagonalRadio}) {
        EXPECT_FALSE(radio->isChecked());
        EXPECT_FALSE(radio->isEnabled());
    }
    EXPECT_FALSE(control<QCheckBox>(*window, idFlip)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*window, idWriteBack)->isChecked());
    EXPECT_TRUE(window->outputFolderEdit->isEnabled());
    EXPECT_TRUE(window->outputBrowseButton->isEnabled());
    EXPECT_EQ(window->progressBar->value(), 0);
    EXPECT_TRUE(control<QLineEdit>(*window, idStatus)->text().isEmpty());
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Quillane: Velmora's Tiff Image Channel Splitter Utility (A.6.3.1)"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->focusWidget(), control(*window, idOk));
}

TEST_F(Window, ChosenFilesReplaceTheListAndAreRemembered) {
    struct Case {
        const char* what;
        std::vector<std::string> chosen;
    };
    const std::vector<Case> cases = {
        {"one file", {"/scans/slide01.tif"}},
        {"several files, in the dialog's order", {"/scans/b.tif", "/scans/a.tif", "/other/place/c.TIF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearStore();
        auto window = open();
        files.answers = {std::vector<std::string>{"/old/x.tif", "/old/y.tif"}, c.chosen};
        click(*window, idBrowseInput);
        click(*window, idBrowseInput);

        EXPECT_EQ(listed(*window), c.chosen);
        const std::string last = c.chosen.back();
        const std::string lastFolder = last.substr(0, last.rfind('/') + 1);
        EXPECT_EQ(window->lastInputPath, last);
        EXPECT_EQ(window->lastInputFolder, lastFolder);
        EXPECT_EQ(stored("LastTiffpath"), last);
        EXPECT_EQ(stored("LastTiffdir"), lastFolder);
        EXPECT_EQ(stored("LastOutputpath"), "");
    }
}

TEST_F(Window, FileDialogIsAskedForSeveralTiffsStartingAtTheRememberedFile) {
    store("LastTiffpath", "/scans/slide07.tif");
    store("LastTiffdir", "/scans/");
    auto window = open();
    click(*window, idBrowseInput);

    ASSERT_EQ(files.requests.size(), 1u);
    const OpenFilesRequest& request = files.requests[0];
    EXPECT_EQ(request.title, "Select Tiff");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].label, "Tiff files (.tif)");
    EXPECT_EQ(request.filters[0].pattern, "*.tif");
    EXPECT_EQ(request.filters[1].label, "All Files (*.*)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_TRUE(request.multipleSelection);
    EXPECT_EQ(request.initialFolder, "/scans/");
    EXPECT_EQ(request.initialName, "slide07.tif");
}

TEST_F(Window, CancelledChooserChangesNothing) {
    auto window = open();
    files.answers = {std::vector<std::string>{"/scans/a.tif", "/scans/b.tif"}, std::nullopt};
    click(*window, idBrowseInput);
    click(*window, idBrowseInput);

    EXPECT_EQ(listed(*window), (std::vector<std::string>{"/scans/a.tif", "/scans/b.tif"}));
    EXPECT_EQ(window->lastInputPath, "/scans/b.tif");
    EXPECT_EQ(window->lastInputFolder, "/scans/");
    EXPECT_EQ(stored("LastTiffpath"), "/scans/b.tif");

    store("LastOutputpath", "/kept");
    folders.answers = {std::nullopt};
    click(*window, idBrowseOutput);
    EXPECT_EQ(stored("LastOutputpath"), "/kept");
    EXPECT_EQ(window->outputFolderEdit->text().toStdString(), "");
}

TEST_F(Window, FlipBoxAndRadioButtonsKeepOneDiagonal) {
    auto window = open();
    QRadioButton* main = window->mainDiagonalRadio;
    QRadioButton* opposite = window->oppositeDiagonalRadio;
    const auto state = [&] { return std::make_pair(main->isChecked(), opposite->isChecked()); };

    click(*window, idFlip);
    EXPECT_TRUE(main->isEnabled() && opposite->isEnabled());
    EXPECT_EQ(state(), std::make_pair(true, false)) << "the main diagonal is the default";
    EXPECT_TRUE(window->readOptions().flip);
    EXPECT_TRUE(window->readOptions().mainDiagonal);

    click(*window, idOppositeDiagonal);
    EXPECT_EQ(state(), std::make_pair(false, true));
    EXPECT_EQ(window->oppositeDiagonal, 0);
    EXPECT_EQ(window->mainDiagonal, -1);
    EXPECT_FALSE(window->readOptions().mainDiagonal);

    click(*window, idOppositeDiagonal);
    EXPECT_EQ(state(), std::make_pair(false, true)) << "clicking the checked button keeps it checked";

    click(*window, idMainDiagonal);
    EXPECT_EQ(state(), std::make_pair(true, false));
    EXPECT_TRUE(window->readOptions().mainDiagonal);

    click(*window, idOppositeDiagonal);
    click(*window, idFlip);
    EXPECT_EQ(state(), std::make_pair(false, false));
    EXPECT_FALSE(main->isEnabled() || opposite->isEnabled());
    EXPECT_EQ(window->mainDiagonal, -1);
    EXPECT_EQ(window->oppositeDiagonal, -1);
    EXPECT_FALSE(window->readOptions().flip);

    click(*window, idFlip);
    EXPECT_EQ(state(), std::make_pair(true, false)) << "checking the box again goes back to the main diagonal";
}

TEST_F(Window, WriteBackDisablesTheOutputFolderButKeepsAndSavesIt) {
    auto window = open();
    window->outputFolderEdit->setText("/data/out");
    click(*window, idWriteBack);

    EXPECT_FALSE(window->outputFolderEdit->isEnabled());
    EXPECT_FALSE(window->outputBrowseButton->isEnabled());
    EXPECT_EQ(window->outputFolderEdit->text().toStdString(), "/data/out");
    const SplitOptions options = window->readOptions();
    EXPECT_TRUE(options.writeBack);
    EXPECT_EQ(options.outputFolder, "/data/out");

    window->OnOutputFolderKillFocus();
    EXPECT_EQ(stored("LastOutputpath"), "/data/out");
    files.answers = {std::vector<std::string>{"/scans/a.tif"}};
    click(*window, idBrowseInput);
    EXPECT_EQ(stored("LastOutputpath"), "/data/out");

    click(*window, idWriteBack);
    EXPECT_TRUE(window->outputFolderEdit->isEnabled());
    EXPECT_TRUE(window->outputBrowseButton->isEnabled());
}

TEST_F(Window, TypedFolderIsStoredUntrimmedWhenTheBoxLosesTheFocus) {
    auto window = open();
    QApplication::setActiveWindow(window.get());
    window->outputFolderEdit->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(window->outputFolderEdit->hasFocus());
    QTest::keyClicks(window->outputFolderEdit, "  /no such/folder ");
    EXPECT_EQ(stored("LastOutputpath"), "<missing>");

    QTest::keyClick(window->outputFolderEdit, Qt::Key_Tab);
    EXPECT_FALSE(window->outputFolderEdit->hasFocus());
    EXPECT_EQ(stored("LastOutputpath"), "  /no such/folder ");
    EXPECT_EQ(window->outputFolder, "  /no such/folder ");
    EXPECT_EQ(window->lastOutputFolder, "") << "only the next load brings it level";

    window.reset();
    auto restarted = open();
    EXPECT_EQ(restarted->outputFolderEdit->text().toStdString(), "  /no such/folder ");
}

TEST_F(Window, BrowsedFolderIsTrimmedAndPreselectedOnlyWhenItCanBeEntered) {
    const std::string existing = folder.path().string();
    auto window = open();
    folders.answers = {"  " + existing + " \t", std::nullopt};
    click(*window, idBrowseOutput);
    EXPECT_EQ(window->outputFolder, existing);
    EXPECT_EQ(window->lastOutputFolder, existing);
    EXPECT_EQ(window->outputFolderEdit->text().toStdString(), existing);
    EXPECT_EQ(stored("LastOutputpath"), existing);

    click(*window, idBrowseOutput);
    store("LastOutputpath", existing + "/gone");
    click(*window, idBrowseOutput);

    EXPECT_EQ(folders.titles, std::vector<std::string>(3, "Browse for Tiff output Directory"));
    EXPECT_EQ(folders.preselections, (std::vector<std::string>{"", existing, ""}));
    EXPECT_EQ(std::filesystem::current_path().string(), platform.currentDirectory());
}

TEST_F(Window, RestartShowsTheRememberedPaths) {
    {
        auto window = open();
        folders.answers = {folder.path().string()};
        files.answers = {std::vector<std::string>{"/scans/a.tif"}};
        click(*window, idBrowseOutput);
        click(*window, idBrowseInput);
    }
    auto window = open();
    EXPECT_EQ(window->outputFolderEdit->text().toStdString(), folder.path().string());
    EXPECT_EQ(window->inputList->count(), 0) << "the list itself is not remembered";
    click(*window, idBrowseInput);
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[1].initialFolder, "/scans/");
    EXPECT_EQ(files.requests[1].initialName, "a.tif");
}

// Reads a written channel file back with libtiff: its size and its first row.
std::pair<std::uint32_t, std::uint32_t> sizeOf(const std::string& file, std::vector<std::uint16_t>* firstRow = nullptr) {
    TIFF* tiff = TIFFOpen(file.c_str(), "r");
    if (!tiff) return {0, 0};
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    if (firstRow) {
        firstRow->resize(width);
        if (TIFFReadScanline(tiff, firstRow->data(), 0, 0) < 0) firstRow->clear();
    }
    TIFFClose(tiff);
    return {width, height};
}

TEST_F(Window, SplitTiffWritesTheChannelsReportsProgressAndStaysOpen) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto second = ScanBuilder::scan(4, 2).write(folder / "slide02.tif").string();
    const auto out = folder / "out";
    std::filesystem::create_directory(out);
    auto window = open();
    files.answers = {std::vector<std::string>{input, second}};
    click(*window, idBrowseInput);
    window->outputFolderEdit->setText(QString::fromStdString(out.string()));
    std::vector<int> positions;
    QObject::connect(window->progressBar, &QProgressBar::valueChanged, [&](int value) { positions.push_back(value); });

    click(*window, idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Successfully created files ");
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_TRUE(messages.shown[0].ownedByWindow);
    EXPECT_EQ(messages.shown[0].progress, 10);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + second);
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    EXPECT_EQ(platform.pauses, (std::vector<int>{2000, 2000}));

    std::vector<std::uint16_t> row;
    EXPECT_EQ(sizeOf((out / "Redslide01.tif").string(), &row), std::make_pair(5u, 3u));
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[4], ScanBuilder::patternSample(0, 0, 4));
    EXPECT_EQ(sizeOf((out / "Greenslide01.tif").string(), &row), std::make_pair(5u, 3u));
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[4], ScanBuilder::patternSample(1, 0, 4));
    EXPECT_EQ(sizeOf((out / "Redslide02.tif").string()), std::make_pair(4u, 2u));
    EXPECT_EQ(sizeOf((out / "Greenslide02.tif").string()), std::make_pair(4u, 2u));

    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
    EXPECT_EQ(listed(*window), (std::vector<std::string>{input, second}));
    EXPECT_EQ(window->progressBar->value(), 0);
    EXPECT_TRUE(control<QLineEdit>(*window, idStatus)->text().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Window, FlippedSplitBesideTheInputsCarriesTheSuffix) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    auto window = open();
    files.answers = {std::vector<std::string>{input}};
    click(*window, idBrowseInput);
    window->outputFolderEdit->setText("/no/such/folder");
    click(*window, idWriteBack);
    click(*window, idFlip);
    click(*window, idOppositeDiagonal);

    click(*window, idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(sizeOf(path("Redslide01_FlippedULtoLR.tif")), std::make_pair(3u, 5u));
    EXPECT_EQ(sizeOf(path("Greenslide01_FlippedULtoLR.tif")), std::make_pair(3u, 5u));
}

TEST_F(Window, FailingFileShowsItsMessageAndEndsTheRun) {
    const auto good = ScanBuilder::scan(5, 3).write(folder / "good.tif").string();
    const auto bad = path("bad.tif");
    writeFile(bad, {'I', 'I', 42, 0, 8, 0, 0});
    const auto later = ScanBuilder::scan(5, 3).write(folder / "later.tif").string();
    auto window = open();
    files.answers = {std::vector<std::string>{good, bad, later}};
    click(*window, idBrowseInput);

    click(*window, idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, bad + " : This file is too small to be a tiff file");
    EXPECT_EQ(messages.shown[0].caption, "Cannot Split this tiff");
    EXPECT_EQ(messages.shown[0].progress, 0);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + bad);
    EXPECT_TRUE(std::filesystem::exists(path("Redgood.tif")));
    EXPECT_FALSE(std::filesystem::exists(path("Redlater.tif")));
    EXPECT_EQ(window->inputList->currentRow(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Window, RefusedOutputFolderIsNamedAndNothingIsWritten) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    const auto before = std::filesystem::current_path();
    auto window = open();
    files.answers = {std::vector<std::string>{input}};
    click(*window, idBrowseInput);
    window->outputFolderEdit->setText(QString::fromStdString(path("missing")));

    click(*window, idOk);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The Output path (" + path("missing") + ") is not a valid path. Please correct this and try again");
    EXPECT_EQ(messages.shown[0].caption, "Cannot Split this tiff");
    EXPECT_FALSE(std::filesystem::exists(path("Redslide01.tif")));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(Window, EnterSplitsAndOnlyCancelEscapeOrTheCloseBoxEndTheDialog) {
    const auto bad = path("bad.tif");
    writeFile(bad, {'I', 'I', 42, 0, 8, 0, 0});
    {
        auto window = open();
        files.answers = {std::vector<std::string>{bad}};
        click(*window, idBrowseInput);
        QTest::keyClick(window.get(), Qt::Key_Return);
        ASSERT_EQ(messages.shown.size(), 1u) << "Enter presses \"Split Tiff\"";
        EXPECT_TRUE(window->isVisible());
    }
    const std::vector<std::pair<const char*, std::function<void(MainWindow&)>>> endings = {
        {"Cancel", [](MainWindow& w) { click(w, idCancel); }},
        {"Escape", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"close box", [](MainWindow& w) { w.close(); }},
        {"close command", [](MainWindow& w) { w.OnSysCommand(0xF060, 0); }},
    };
    for (const auto& [what, end] : endings) {
        SCOPED_TRACE(what);
        auto window = open();
        end(*window);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
    }
}

std::string labelText(QWidget& dialog, int id) {
    for (auto* label : dialog.findChildren<QLabel*>()) {
        if (label->property(controlIdProperty).toInt() == id) return label->text().toStdString();
    }
    return "<no such label>";
}

TEST_F(Window, SystemCommands16To31OpenTheAboutBox) {
    auto window = open();
    for (unsigned id : {0u, 15u, 16u, 17u, 24u, 31u, 32u, 0xF010u}) {
        SCOPED_TRACE(id);
        std::string version, legal;
        const int opened = whileModal<AboutBox>([&] { window->OnSysCommand(id, 0); }, [&](AboutBox& about) {
            version = labelText(about, idVersionText);
            legal = labelText(about, idLegalText);
        });
        const bool about = (id & 0xFFF0) == 16;
        EXPECT_EQ(opened, about ? 1 : 0);
        if (about) {
            EXPECT_EQ(version, "Quillane Version: A.6.3.1");
            EXPECT_EQ(legal, "Copyright (C) 2026 Velmora Technologies");
        }
    }
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Window, ContextMenuOffersTheAboutItem) {
    auto window = open();
    QString item;
    int aboutBoxes = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()); menu && item.isEmpty()) {
            item = menu->actions().value(0)->text();
            QTest::keyClick(menu, Qt::Key_A);  // its mnemonic
        } else if (auto* about = dynamic_cast<AboutBox*>(QApplication::activeModalWidget())) {
            ++aboutBoxes;
            about->reject();
        }
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window.get(), &event);
    poll.stop();

    EXPECT_EQ(item, QStringLiteral("&About Quillane ..."));
    EXPECT_EQ(aboutBoxes, 1);
}

TEST(DesktopStart, InitInstanceShowsTheWindowAndReturnsFalseWhenItCloses) {
    clearStore();
    const QDir storeFolder = QFileInfo(SettingsStore().location()).dir();
    std::filesystem::remove_all(storeFolder.path().toStdString());
    DesktopApp application;
    bool result = true;
    const int windows = whileModal<MainWindow>([&] { result = application.InitInstance(); }, [](MainWindow& window) {
        EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral(" (A.6.3.1)")));
    });
    EXPECT_EQ(windows, 1);
    EXPECT_FALSE(result);
    EXPECT_TRUE(storeFolder.exists()) << "the store's folder exists after a start, though nothing was written";
}

}  // namespace
}  // namespace quillane
