// The Qt front end, offscreen: its widgets, layouts and signals, with the real settings store
// (in a folder of the test's own) and scripted choosers and message boxes.
#include "app/ScriptedServices.h"

#include "app/DialogTemplate.h"
#include "hardening/FaultyFileSystem.h"
#include "qt/AboutDialog.h"
#include "qt/BuildVersion.h"
#include "qt/DesktopApp.h"
#include "qt/LocalPaths.h"
#include "qt/MainDialog.h"
#include "qt/PreviewDialog.h"
#include "qt/ZoomController.h"
#include "qt/ZoomPane.h"
#include "qt/SettingsStore.h"
#include "qt/SystemDialogs.h"
#include "split/OutputNaming.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QThreadPool>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

namespace quillane {
namespace {

using namespace testing;

// A message as it was shown, with what the window showed meanwhile.
struct QtMessage {
    std::string text, caption;
    int progress = -1;
    std::string status;
};

class RecordingQtMessages : public MessageBoxes {
public:
    std::vector<QtMessage> shown;
    void show(WindowHandle owner, const std::string& text, const std::string& caption) override {
        auto* dialog = dynamic_cast<MainDialog*>(static_cast<QWidget*>(owner));
        ASSERT_NE(dialog, nullptr) << "owned by the main window";
        shown.push_back({text, caption, dialog->progressBar()->value(), dialog->statusLine()->text().toStdString()});
    }
};

void clearStore() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(QtSettingsStore::organisation),
                       QStringLiteral("quillane"));
    settings.clear();
    settings.sync();
}

// Runs `action`, which is expected to open a modal dialog of type Dialog; `inspect` sees it
// while it is open, then it is closed. Returns how many such dialogs appeared.
template <class Dialog>
int whileModal(const std::function<void()>& action, const std::function<void(Dialog&)>& inspect) {
    int seen = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            ++seen;
            inspect(*dialog);
            dialog->reject();
        }
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}

class QtWindow : public ::testing::Test {
protected:
    ScriptedFileChooser files;
    ScriptedFolderChooser folders;
    RecordingQtMessages messages;
    QtAboutBoxDialog about;
    QtSettingsStore settings{QStringLiteral("quillane")};
    BuildVersionSource version;
    NoPausePlatform platform;
    TemporaryFolder folder;

    void SetUp() override { clearStore(); }

    std::unique_ptr<MainDialog> open() {
        auto window = std::make_unique<MainDialog>(
            WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform});
        window->show();
        QApplication::setActiveWindow(window.get());
        return window;
    }
    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // The three ways a user ends the dialog.
    static std::vector<std::pair<const char*, std::function<void(MainDialog&)>>> dialogEndings() {
        return {
            {"Cancel", [](MainDialog& w) { click(w.cancelButton()); }},
            {"Escape", [](MainDialog& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
            {"close box", [](MainDialog& w) { w.close(); }},
        };
    }
};

TEST_F(QtWindow, HoldsTheDescribedControlsInTheirGroups) {
    auto window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillane: Velmora's Tiff Image Channel Splitter Utility (A.6.3.1)"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    const auto groupOf = [](QWidget* widget) {
        auto* group = qobject_cast<QGroupBox*>(widget->parentWidget());
        return group ? group->title().toStdString() : std::string("<none>");
    };
    const struct {
        QWidget* widget;
        QString text;
        std::string group;
    } controls[] = {
        {window->splitButton(), "Split Tiff", "<none>"},
        {window->cancelButton(), "Cancel", "<none>"},
        {window->inputBrowseButton(), "Browse...", "Velmora Two Channel Tiff / Tiffs"},
        {window->inputList(), "", "Velmora Two Channel Tiff / Tiffs"},
        {window->flipBox(), "Flip/Rotate Image", "ImageManipulation"},
        {window->mainDiagonalRadio(), "Flip along main diagonal", "ImageManipulation"},
        {window->oppositeDiagonalRadio(), "Flip along opposite diagonal", "ImageManipulation"},
        {window->writeBackBox(), "Write Split tiffs back to input directory", "Output Directory"},
        {window->outputFolderEdit(), "", "Output Directory"},
        {window->outputBrowseButton(), "Browse...", "Output Directory"},
        {window->statusLine(), "", "<none>"},
        {window->progressBar(), "", "<none>"},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.text.toStdString());
        if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) {
            EXPECT_EQ(button->text(), c.text);
        }
        EXPECT_EQ(groupOf(c.widget), c.group);
        EXPECT_TRUE(c.widget->isVisible());
    }
    // Top to bottom: input, flip options, output folder, buttons, status line, progress bar.
    const auto top = [&](QWidget* w) { return w->mapTo(window.get(), QPoint(0, 0)).y(); };
    EXPECT_LT(top(window->inputList()), top(window->flipBox()));
    EXPECT_LT(top(window->flipBox()), top(window->writeBackBox()));
    EXPECT_LT(top(window->writeBackBox()), top(window->outputFolderEdit()));
    EXPECT_LT(top(window->outputFolderEdit()), top(window->splitButton()));
    EXPECT_EQ(top(window->splitButton()), top(window->cancelButton()));
    EXPECT_LT(top(window->splitButton()), top(window->statusLine()));
    EXPECT_LT(top(window->statusLine()), top(window->progressBar()));
    EXPECT_LT(top(window->mainDiagonalRadio()), top(window->oppositeDiagonalRadio()));
    const auto left = [&](QWidget* w) { return w->mapTo(window.get(), QPoint(0, 0)).x(); };
    EXPECT_LT(left(window->splitButton()), left(window->cancelButton()));
    EXPECT_LT(left(window->inputList()), left(window->inputBrowseButton()));
    EXPECT_LT(left(window->outputFolderEdit()), left(window->outputBrowseButton()));
    EXPECT_LT(left(window->flipBox()), left(window->mainDiagonalRadio()));

    EXPECT_TRUE(window->splitButton()->isDefault());
    EXPECT_TRUE(window->statusLine()->isReadOnly());
    EXPECT_FALSE(window->statusLine()->hasFrame());
    EXPECT_EQ(window->inputList()->selectionMode(), QAbstractItemView::NoSelection);
    EXPECT_FALSE(window->inputList()->isSortingEnabled());
    EXPECT_FALSE(window->progressBar()->isTextVisible());
    EXPECT_EQ(window->diagonals()->buttons().size(), 2);
    EXPECT_EQ(window->diagonals()->id(window->mainDiagonalRadio()), idMainDiagonal);
    EXPECT_EQ(window->focusWidget(), window->splitButton());

    // The two pictures beside the radio buttons.
    int pictures = 0;
    for (auto* label : window->findChildren<QLabel*>()) {
        if (!label->pixmap().isNull()) {
            EXPECT_EQ(label->pixmap().size(), QSize(33, 33));
            ++pictures;
        }
    }
    EXPECT_EQ(pictures, 2);
}

// Keys only: Tab goes through the tab stops in the template's order, and reaches the diagonals,
// as one stop at the checked one, only while Flip is on; the arrow keys choose the other.
TEST_F(QtWindow, TabAndArrowKeysReachEveryOptionInTheDescribedOrder) {
    auto window = open();
    const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        return QApplication::focusWidget();
    };
    const auto tabRound = [&] {
        std::vector<QWidget*> order{QApplication::focusWidget()};
        for (QWidget* next = press(Qt::Key_Tab); next != order.front() && order.size() < 20; next = press(Qt::Key_Tab))
            order.push_back(next);
        return order;
    };
    std::vector<QWidget*> expected = {window->splitButton(),      window->cancelButton(),
                                      window->inputBrowseButton(), window->outputBrowseButton(),
                                      window->outputFolderEdit(),  window->inputList(),
                                      window->flipBox(),           window->writeBackBox(),
                                      window->statusLine()};
    EXPECT_EQ(tabRound(), expected) << "Flip off: the diagonals are no stops";

    while (QApplication::focusWidget() != window->flipBox()) press(Qt::Key_Tab);
    press(Qt::Key_Space);
    ASSERT_TRUE(window->flipBox()->isChecked());
    EXPECT_EQ(press(Qt::Key_Tab), window->mainDiagonalRadio()) << "Tab goes into the group at the checked one";
    EXPECT_EQ(press(Qt::Key_Down), window->oppositeDiagonalRadio());
    EXPECT_TRUE(window->oppositeDiagonalRadio()->isChecked());
    EXPECT_FALSE(window->mainDiagonalRadio()->isChecked());
    EXPECT_EQ(window->logic().oppositeDiagonal, 0);
    EXPECT_FALSE(window->logic().readOptions().mainDiagonal) << "the opposite diagonal, chosen with keys only";
    EXPECT_EQ(press(Qt::Key_Tab), window->writeBackBox()) << "the group is one stop";
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ShiftModifier), window->oppositeDiagonalRadio());
    EXPECT_EQ(press(Qt::Key_Up), window->mainDiagonalRadio());
    EXPECT_TRUE(window->logic().readOptions().mainDiagonal);

    expected.insert(expected.begin() + 7, window->mainDiagonalRadio());
    std::rotate(expected.begin(), expected.begin() + 7, expected.end());
    EXPECT_EQ(tabRound(), expected) << "Flip on: the checked diagonal after the Flip box";
}

// The layouts give every text the room it needs, whatever the font, and nothing overlaps.
TEST_F(QtWindow, LayoutFollowsTheFontAndOpensCentred) {
    QSize small;
    for (int points : {8, 20}) {
        SCOPED_TRACE(points);
        const QFont saved = QApplication::font();
        QFont font = saved;
        font.setPointSize(points);
        QApplication::setFont(font);
        auto window = open();
        QApplication::setFont(saved);
        if (points == 8) small = window->size();
        else EXPECT_GT(window->width(), small.width() * 3 / 2);

        for (auto* button : window->findChildren<QAbstractButton*>()) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
            EXPECT_GE(button->height(), button->sizeHint().height()) << button->text().toStdString();
        }
        for (auto* group : window->findChildren<QGroupBox*>()) {
            const auto children = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (qsizetype i = 0; i < children.size(); ++i) {
                for (qsizetype j = i + 1; j < children.size(); ++j) {
                    EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
                        << "overlap in " << group->title().toStdString();
                }
            }
        }
        if (points != 8) continue;  // the large window no longer fits the test's screen
        const QPoint screenCentre = window->screen()->availableGeometry().center();
        EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 4)
            << "centred on the screen";
    }
}

TEST_F(QtWindow, FlipBoxAndDiagonalButtonsDriveTheHandlers) {
    auto window = open();
    QRadioButton* main = window->mainDiagonalRadio();
    QRadioButton* opposite = window->oppositeDiagonalRadio();
    const auto state = [&] { return std::make_pair(main->isChecked(), opposite->isChecked()); };

    click(window->flipBox());
    EXPECT_TRUE(main->isEnabled() && opposite->isEnabled());
    EXPECT_EQ(state(), std::make_pair(true, false));
    click(opposite);
    EXPECT_EQ(state(), std::make_pair(false, true));
    EXPECT_EQ(window->logic().oppositeDiagonal, 0);
    EXPECT_EQ(window->logic().mainDiagonal, -1);
    click(main);
    EXPECT_EQ(state(), std::make_pair(true, false));
    EXPECT_TRUE(window->logic().readOptions().mainDiagonal);

    click(window->flipBox());
    EXPECT_EQ(state(), std::make_pair(false, false)) << "unchecking the flip box clears the exclusive group too";
    EXPECT_FALSE(main->isEnabled() || opposite->isEnabled());
    EXPECT_TRUE(window->diagonals()->exclusive());
}

TEST_F(QtWindow, WriteBackDisablesTheOutputFolderAndItsButton) {
    auto window = open();
    click(window->writeBackBox());
    EXPECT_FALSE(window->outputFolderEdit()->isEnabled());
    EXPECT_FALSE(window->outputBrowseButton()->isEnabled());
    click(window->writeBackBox());
    EXPECT_TRUE(window->outputFolderEdit()->isEnabled());
    EXPECT_TRUE(window->outputBrowseButton()->isEnabled());
}

TEST_F(QtWindow, LeavingTheFolderBoxStoresItAsTyped) {
    struct Case {
        const char* what;
        std::function<void(MainDialog&)> leave;
    };
    const std::vector<Case> cases = {
        {"Tab", [](MainDialog& w) { QTest::keyClick(w.outputFolderEdit(), Qt::Key_Tab); }},
        {"a click elsewhere", [](MainDialog& w) { w.inputList()->setFocus(Qt::MouseFocusReason); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearStore();
        auto window = open();
        window->outputFolderEdit()->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(window->outputFolderEdit()->hasFocus());
        QTest::keyClicks(window->outputFolderEdit(), "  /no such/folder ");
        EXPECT_EQ(settings.read("LastOutputpath"), "");
        c.leave(*window);
        EXPECT_EQ(settings.read("LastOutputpath"), "  /no such/folder ");

        // Unedited, leaving the box still brings the store level with it.
        settings.write("LastOutputpath", "/changed elsewhere");
        window->outputFolderEdit()->setFocus(Qt::MouseFocusReason);
        c.leave(*window);
        EXPECT_EQ(settings.read("LastOutputpath"), "  /no such/folder ");
    }
}

// A drag over the window and its drop, as the platform sends them to the dialog: the source
// offers `offered` and proposes `proposed`. Returns whether the window took it, and how.
struct DropAnswer {
    bool accepted;
    Qt::DropAction action;
};

template <class Event>
DropAnswer send(QWidget& window, const QMimeData& data, Qt::DropActions offered, Qt::DropAction proposed) {
    Event event(QPoint(10, 10), offered, &data, Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(proposed);
    event.ignore();
    QApplication::sendEvent(&window, &event);
    return {event.isAccepted(), event.dropAction()};
}

bool dragEnterAccepted(QWidget& window, const QMimeData& data) {
    return send<QDragEnterEvent>(window, data, Qt::CopyAction, Qt::CopyAction).accepted;
}

// A whole drag: Qt delivers a drop only where the drag entered.
void drop(QWidget& window, const QMimeData& data, Qt::DropActions offered = Qt::CopyAction) {
    send<QDragEnterEvent>(window, data, offered, Qt::CopyAction);
    send<QDropEvent>(window, data, offered, Qt::CopyAction);
}

std::vector<std::string> listedIn(const MainDialog& window) {
    std::vector<std::string> entries;
    for (int i = 0; i < window.inputList()->count(); ++i) entries.push_back(window.inputList()->item(i)->text().toStdString());
    return entries;
}

TEST_F(QtWindow, DroppedFilesAndFoldersFillTheListAndAreRemembered) {
    std::filesystem::create_directories(folder / "scans" / "nested");
    for (const char* name : {"scans/b.tif", "scans/a.TIFF", "scans/notes.txt", "scans/nested/c.tif", "single.tif"})
        writeFile(folder / name, {});
    const auto urlOf = [&](const std::string& name) { return QUrl::fromLocalFile(QString::fromStdString((folder / name).string())); };
    auto window = open();
    EXPECT_TRUE(window->acceptDrops());

    QMimeData text;
    text.setText(QStringLiteral("/not/a/file/drop.tif"));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/scan.tif"))});
    EXPECT_FALSE(dragEnterAccepted(*window, text)) << "only local files are taken";
    EXPECT_FALSE(dragEnterAccepted(*window, remote));
    drop(*window, text);
    drop(*window, remote);
    EXPECT_EQ(window->inputList()->count(), 0);
    EXPECT_EQ(settings.read("LastTiffpath"), "");

    QMimeData local;
    local.setUrls({urlOf("single.tif"), urlOf("scans"), QUrl(QStringLiteral("https://example.org/x.tif"))});
    EXPECT_TRUE(dragEnterAccepted(*window, local));
    drop(*window, local);
    const std::string last = (folder / "scans" / "b.tif").string();
    EXPECT_EQ(listedIn(*window),
              (std::vector<std::string>{(folder / "single.tif").string(), (folder / "scans" / "a.TIFF").string(), last}));
    EXPECT_EQ(settings.read("LastTiffpath"), last);
    EXPECT_EQ(settings.read("LastTiffdir"), DriveAndDirectory(last));
}

// A file manager that offers copy, move and link and is answered "move" deletes the dropped
// scans: every stage of the drag is answered "copy", and a source that cannot copy is refused.
TEST_F(QtWindow, DropsAreTakenAsCopiesNeverMoves) {
    writeFile(folder / "slide.tif", {});
    QMimeData local;
    local.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder / "slide.tif").string()))});
    auto window = open();
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    for (const Qt::DropAction proposed : {Qt::MoveAction, Qt::LinkAction, Qt::CopyAction}) {
        SCOPED_TRACE(proposed);
        for (const DropAnswer answer : {send<QDragEnterEvent>(*window, local, all, proposed),
                                        send<QDragMoveEvent>(*window, local, all, proposed),
                                        send<QDropEvent>(*window, local, all, proposed)}) {
            EXPECT_TRUE(answer.accepted);
            EXPECT_EQ(answer.action, Qt::CopyAction);
        }
    }
    EXPECT_EQ(window->inputList()->count(), 1);

    window->inputList()->clear();
    for (const Qt::DropActions offered : {Qt::DropActions(Qt::MoveAction), Qt::MoveAction | Qt::LinkAction}) {
        EXPECT_FALSE(send<QDragEnterEvent>(*window, local, offered, Qt::MoveAction).accepted);
        EXPECT_FALSE(send<QDragMoveEvent>(*window, local, offered, Qt::MoveAction).accepted);
        EXPECT_FALSE(send<QDropEvent>(*window, local, offered, Qt::MoveAction).accepted);
    }
    EXPECT_EQ(window->inputList()->count(), 0) << "a drop that cannot be a copy is not taken";
}

TEST_F(QtWindow, StartsWithTheFilesOnItsCommandLine) {
    writeFile(folder / "slide.tif", {});
    const std::string slide = (folder / "slide.tif").string();
    const char* const arguments[] = {"quillane", slide.c_str(), "/gone.tif"};
    EXPECT_EQ(startupFiles(3, arguments), (std::vector<std::string>{slide, "/gone.tif"}));
    EXPECT_TRUE(startupFiles(1, arguments).empty());

    settings.write("LastOutputpath", "/data/out");
    MainDialog window(WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform}, {slide, "/gone.tif"});
    EXPECT_EQ(listedIn(window), (std::vector<std::string>{slide, "/gone.tif"})) << "a missing file is listed as given";
    EXPECT_EQ(settings.read("LastTiffpath"), "/gone.tif");
    EXPECT_EQ(window.outputFolderEdit()->text(), QStringLiteral("/data/out"));
}

// A scan named in Latin-1 bytes, which are not UTF-8 (as shares older systems wrote have them):
// from the command line, a drop and Browse's own dialog the list holds its bytes, the split
// writes its channel files under the right bytes, and the settings keep them.
TEST_F(QtWindow, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string lab = (folder / "lab").string();
    const std::string scan = lab + "/caf\xE9.tif";
    std::filesystem::create_directories(lab);
    ScanBuilder::scan(5, 3).write(scan);
    QMimeData dragged;
    dragged.setUrls({QUrl::fromEncoded("file://" + QByteArray(scan.c_str()).toPercentEncoding("/"))});
    settings.write("LastOutputpath", "/data/out");

    const char* const arguments[] = {"quillane", scan.c_str()};
    MainDialog started(WindowServices{&files, &folders, &messages, &about, &settings, &version, &platform},
                       startupFiles(2, arguments));
    EXPECT_EQ(started.logic().inputPath(0), scan) << "from the command line";
    EXPECT_TRUE(started.inputList()->item(0)->text().endsWith(QStringLiteral("caf\uFFFD.tif")));

    auto window = open();
    drop(*window, dragged);
    ASSERT_EQ(window->inputList()->count(), 1);
    EXPECT_EQ(window->logic().inputPath(0), scan) << "from a drop";
    EXPECT_EQ(settings.read("LastTiffpath"), scan);
    EXPECT_EQ(settings.read("LastTiffdir"), lab + "/");
    EXPECT_EQ(QtSettingsStore("quillane").read("LastTiffpath"), scan) << "the store keeps the bytes";

    // Browse's dialog shows the name with U+FFFD; what it returns is found again on disk.
    QtFileChooser chooser;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        dialog->setDirectory(shownPath(lab));
        dialog->selectFile(shownPath(scan));
        static_cast<QDialog*>(dialog)->accept();  // as its Open button does
    });
    poll.start();
    const auto chosen = chooser.chooseFiles(window.get(), OpenFilesRequest{.title = "Select Tiff",
                                                                           .filters = {{"Tiff files (.tif)", "*.tif"}},
                                                                           .selectedFilter = 0,
                                                                           .initialFolder = lab,
                                                                           .initialFile = {},
                                                                           .multipleSelection = true});
    poll.stop();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, std::vector<std::string>{scan}) << "from Browse";

    click(window->writeBackBox());
    click(window->splitButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!") << messages.shown[0].text;
    EXPECT_TRUE(std::filesystem::exists(lab + "/Redcaf\xE9.tif"));
    EXPECT_TRUE(std::filesystem::exists(lab + "/Greencaf\xE9.tif"));

    // The output folder box gives back the bytes it was given, and what is typed as typed.
    window->logic().outputFolder = lab;
    window->logic().UpdateData(false);
    window->logic().UpdateData(true);
    EXPECT_EQ(window->logic().outputFolder, lab);
    window->outputFolderEdit()->setText(QStringLiteral("/typed/ünï"));
    window->logic().UpdateData(true);
    EXPECT_EQ(window->logic().outputFolder, "/typed/\xC3\xBCn\xC3\xAF");

    // Every component is found again, folders too; a name two files show alike is not guessed.
    const std::string nested = (folder / "d\xE9j\xE0").string() + "/caf\xE9.tif";
    std::filesystem::create_directories(folder / "d\xE9j\xE0");
    writeFile(nested, {});
    EXPECT_EQ(pathBytes(shownPath(nested)), nested);
    writeFile(lab + "/caf\xE8.tif", {});
    EXPECT_NE(pathBytes(shownPath(scan)), scan);
}

TEST_F(QtWindow, SplitButtonAndEnterRunTheSplitAndTheWindowStaysOpen) {
    const auto input = ScanBuilder::scan(5, 3).write(folder / "slide01.tif").string();
    auto window = open();
    files.answers = {std::vector<std::string>{input}};
    click(window->inputBrowseButton());
    ASSERT_EQ(window->inputList()->count(), 1);
    std::vector<int> positions;
    QObject::connect(window->progressBar(), &QProgressBar::valueChanged, [&](int value) { positions.push_back(value); });

    click(window->splitButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Successfully created files ");
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].progress, 10);
    EXPECT_EQ(messages.shown[0].status, "Splitting:  " + input);
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    EXPECT_TRUE(std::filesystem::exists(folder / "Redslide01.tif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "Greenslide01.tif"));
    EXPECT_TRUE(window->statusLine()->text().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(messages.shown.size(), 2u) << "Enter presses \"Split Tiff\"";
    EXPECT_TRUE(window->isVisible());
}

// While a run holds the Split button's slot, the event loop goes on: a timer fires and the window
// is painted during every file, and what the window shows follows the run's calls as before.
TEST_F(QtWindow, EventLoopKeepsRunningDuringARunAndTheRunsCallsAreUnchanged) {
    const std::string first = ScanBuilder::scan(5, 3).write(folder / "a.tif").string();
    const std::string second = ScanBuilder::scan(4, 2).write(folder / "b.tif").string();
    auto window = open();
    window->logic().OnDropFiles({first, second});
    std::vector<std::string> shown;  // what the window showed, in order
    QObject::connect(window->inputList(), &QListWidget::currentRowChanged, [&](int row) { shown.push_back("select " + std::to_string(row)); });
    QObject::connect(window->statusLine(), &QLineEdit::textChanged, [&](const QString& text) { shown.push_back("status " + text.toStdString()); });
    QObject::connect(window->progressBar(), &QProgressBar::valueChanged, [&](int value) { shown.push_back("position " + std::to_string(value)); });
    std::map<std::string, int> ticks, paints;  // per status line shown meanwhile
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks[window->statusLine()->text().toStdString()];
        window->progressBar()->update();  // a repaint asked for, as a move or an uncovering would
    });
    timer.start(20);
    struct PaintCounter : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) painted();
            return false;
        }
    } counter;
    counter.painted = [&] { ++paints[window->statusLine()->text().toStdString()]; };
    window->progressBar()->installEventFilter(&counter);

    click(window->splitButton());

    for (const std::string& path : {first, second}) {
        SCOPED_TRACE(path);
        EXPECT_GT(ticks["Splitting:  " + path], 10) << "the timer fired during the file and its pause";
        EXPECT_GT(paints["Splitting:  " + path], 10) << "the window was painted meanwhile";
    }
    std::vector<std::string> expected;
    for (int i : {0, 1}) {
        expected.push_back("select " + std::to_string(i));
        expected.push_back("status Splitting:  " + (i == 0 ? first : second));
        for (int position = 1; position <= 10; ++position) expected.push_back("position " + std::to_string(position));
    }
    expected.insert(expected.end(), {"position 0", "status "});
    EXPECT_EQ(shown, expected);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].progress, 10);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Cancel, Escape or the close box while a channel of the second of three files (the first; for the
// close box the second) goes to a disk so slow that it would take 10 s; and Cancel at 20 moments
// of that file flipped (in two bands), split first. Measured in what that disk takes, the
// window's events are never away for more than a quarter of its second, and the run ends within
// one; that file is abandoned whole, the first stays split, the third is not begun, and the
// window closes without the closing message.
TEST_F(QtWindow, ClosingDuringASlowWriteAbandonsTheFileUnderWayThenCloses) {
    std::vector<std::tuple<std::string, std::function<void(MainDialog&)>, double>> moments;  // in b's 20 s
    for (const auto& [what, end] : dialogEndings()) moments.emplace_back(what, end, std::string(what) == "close box" ? 13 : 4);
    for (int i = 0; i < 20; ++i) moments.emplace_back("Cancel, flipped", dialogEndings()[0].second, i + 0.5);
    for (const auto& [what, end, at] : moments) {
        SCOPED_TRACE(what + " at " + std::to_string(at));
        const TemporaryFolder here;
        const bool flip = what.ends_with("flipped");
        std::vector<std::string> inputs;
        for (const auto& [name, side] : {std::pair{"a.tif", 5}, std::pair{"b.tif", flip ? 2048 : 1024}, std::pair{"c.tif", 5}})
            inputs.push_back(ScanBuilder::scan(side, flip && side > 5 ? 3072 : side).write(here / name).string());
        if (flip) inputs.erase(inputs.begin());  // no pause before b
        auto window = open();
        window->logic().OnDropFiles(inputs);
        if (flip) click(window->flipBox());
        const std::uint64_t second = std::filesystem::file_size(here / "b.tif") / 20;  // the slow disk's bytes a second
        FaultyFileSystem slow({}, false, false, second);
        std::optional<std::uint64_t> writing, ended;
        std::uint64_t polled = 0, mostAway = 0;
        bool stillOpen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&, end = end, at = at] {
            const std::uint64_t now = slow.pacedBytes();
            if (writing) mostAway = std::max(mostAway, now - polled);
            polled = now;
            if (ended || window->statusLine()->text() != QString::fromStdString("Splitting:  " + inputs[!flip])) return;
            if (!writing) writing = now;
            if (now - *writing < at * second) return;
            ended = now;
            end(*window);
            stillOpen = window->isVisible();
        });
        poll.start(0);  // in every service of the window's events

        click(window->splitButton());

        ASSERT_TRUE(ended) << "the slow channel was never under way";
        EXPECT_LT(slow.pacedBytes() - *ended, second) << "written after the end was asked";
        EXPECT_LE(mostAway, second / 4) << "written between two services of the window";
        EXPECT_TRUE(stillOpen) << "not before the run has stopped";
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
        EXPECT_TRUE(messages.shown.empty());
        if (!flip) {
            EXPECT_EQ(readTiff(here / "Reda.tif").pixels, patternImage(0, 5, 5)) << "whole";
            EXPECT_EQ(readTiff(here / "Greena.tif").pixels, patternImage(1, 5, 5));
        }
        EXPECT_EQ(namesIn(here.path()), (flip ? std::vector<std::string>{"a.tif", "b.tif", "c.tif"}
                                              : std::vector<std::string>{"Greena.tif", "Reda.tif", "a.tif", "b.tif", "c.tif"}))
            << "nothing of b, not even a temporary, and nothing of c";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

// The preview of a 1.2 GB scan, opened with a double-click, is made off the window's thread: the
// window answers meanwhile, and a move down the list then shows the newer file, never the first.
// The preview follows the flip options too, and Space on the list or its context menu opens it.
TEST_F(QtWindow, PreviewIsMadeOffTheWindowsThreadAndFollowsTheListAndTheFlip) {
    const std::string large = ScanBuilder::sparse(10000, 30000).write(folder / "large.tif").string();
    const std::string small = ScanBuilder::scan(7, 5).write(folder / "small.tif").string();
    auto window = open();
    window->logic().OnDropFiles({large, small});
    QListWidget* list = window->inputList();
    EXPECT_TRUE(list->actions().contains(window->previewAction()));
    int ticksWhileReading = 0;  // the window's events handled while the preview's work was under way
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ticksWhileReading += QThreadPool::globalInstance()->activeThreadCount() > 0; });

    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);  // a double-click's first press, as a mouse sends it
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    PreviewDialog* preview = window->previewDialog();
    ASSERT_NE(preview, nullptr);
    std::vector<std::string> shown;
    QObject::connect(preview, &PreviewDialog::pageShown, [&] { shown.push_back(preview->fileLabel()->text().toStdString()); });
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->fileLabel()->text().toStdString(), large);
    timer.start(10);
    QTest::qWait(100);
    const std::size_t beforeMove = shown.size();  // none, unless this machine read 1.2 GB meanwhile
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() > beforeMove; }, 60000));
    timer.stop();
    EXPECT_GT(ticksWhileReading, 0) << "the window's events went on while the large scan was read";
    QThreadPool::globalInstance()->waitForDone();  // the large scan's work, stopped, has ended too
    QCoreApplication::processEvents();
    EXPECT_EQ(std::vector<std::string>(shown.begin() + static_cast<std::ptrdiff_t>(beforeMove), shown.end()),
              std::vector<std::string>{small}) << "never the first file's page once the list moved on";
    EXPECT_NE(preview->summaryLabel()->text().indexOf(QStringLiteral("7 \u00d7 5 pixels")), -1) << preview->summaryLabel()->text().toStdString();

    click(window->flipBox());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == beforeMove + 2; }, 60000));
    EXPECT_TRUE(preview->summaryLabel()->text().endsWith(QStringLiteral("5 \u00d7 7 pixels of 5 \u00d7 5 \u00b5m, flipped along the main diagonal")));
    EXPECT_FALSE(preview->zoom().picture(2).isNull());
    QTest::keyClick(preview->pane(2), Qt::Key_1);  // the 5 × 7 scan fits the pane at 8 : 1; sample for sample
    EXPECT_TRUE(preview->statusLabel()->text().startsWith(QStringLiteral("1 : 1"))) << preview->statusLabel()->text().toStdString();
    preview->close();
    QApplication::setActiveWindow(window.get());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(preview->isVisible()) << "Space on the list opens it again";
}

TEST_F(QtWindow, OnlyCancelEscapeOrTheCloseBoxEndTheDialog) {
    for (const auto& [what, end] : dialogEndings()) {
        SCOPED_TRACE(what);
        auto window = open();
        end(*window);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
    }
}

TEST_F(QtWindow, AboutIsAHelpMenuActionAndInTheContextMenu) {
    auto window = open();
    ASSERT_EQ(window->helpMenu()->actions().size(), 1);
    QAction* action = window->helpMenu()->actions()[0];
    EXPECT_EQ(action->text(), QStringLiteral("&About Quillane ..."));
    EXPECT_TRUE(window->actions().contains(action)) << "offered in the window's context menu";
    EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);

    std::string versionLine, legal;
    const int opened = whileModal<AboutDialog>([&] { action->trigger(); }, [&](AboutDialog& box) {
        versionLine = box.versionLabel()->text().toStdString();
        legal = box.legalLabel()->text().toStdString();
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quillane"));
        EXPECT_EQ(box.parentWidget(), window.get());
    });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(versionLine, "Quillane Version: A.6.3.1");
    EXPECT_EQ(legal, "Copyright (C) 2026 Velmora Technologies");
}

TEST(QtSettings, LivesUnderTheOrganisationPathAndKeepsValuesWhole) {
    clearStore();
    QtSettingsStore settings;
    const QString expected = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Velmora/DarozAvazi/quillane.conf";
    EXPECT_EQ(settings.location(), expected);

    QDir(QFileInfo(expected).absolutePath()).removeRecursively();
    EXPECT_EQ(settings.read("LastTiffpath"), "");
    EXPECT_TRUE(QFileInfo(expected).dir().exists()) << "a read creates the store's folder";

    for (const std::string value : {"  /a folder/with blanks \t", "C:\\scans\\", "a,b;c=d", "@at", "[General]",
                                    "/ünïcödé/路径", "line\nbreak", "", "/scans/caf\xE9.tif", "\xFF\xFE@ByteArray(x)",
                                    "@ByteArray(caf\xC3\xA9)"}) {
        settings.write("LastOutputpath", value);
        EXPECT_EQ(settings.read("LastOutputpath"), value);
    }
    settings.write("LastTiffdir", "/scans/");
    EXPECT_EQ(QtSettingsStore("quillane").read("LastTiffdir"), "/scans/");
    EXPECT_EQ(QtSettingsStore("another").read("LastTiffdir"), "") << "each application has its own values";
}

QSet<QRgb> coloursOf(const QImage& image) {
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) colours.insert(argb.pixel(x, y));
    }
    return colours;
}

TEST(Artwork, IconAndBitmapsHaveTheirSizesAndColours) {
    const QImage icon(QStringLiteral(":/quillane.ico"));
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_LE(coloursOf(icon).size(), 16);

    const QImage mainDiagonal(QStringLiteral(":/main-diagonal.bmp"));
    const QImage oppositeDiagonal(QStringLiteral(":/opposite-diagonal.bmp"));
    for (const QImage& bitmap : {mainDiagonal, oppositeDiagonal}) {
        EXPECT_EQ(bitmap.size(), QSize(33, 33));
        EXPECT_EQ(coloursOf(bitmap).size(), 2);
    }
    EXPECT_EQ(oppositeDiagonal.convertToFormat(QImage::Format_RGB32),
              mainDiagonal.mirrored(false, true).convertToFormat(QImage::Format_RGB32));
    // The main diagonal runs from top left to bottom right, the marker sits at the bottom left.
    const QRgb ink = qRgb(0, 0, 0);
    EXPECT_EQ(mainDiagonal.pixel(16, 16), ink);
    EXPECT_EQ(mainDiagonal.pixel(5, 25), ink);
    EXPECT_NE(mainDiagonal.pixel(5, 7), ink);
}

TEST(DesktopStart, InitInstanceShowsTheWindowAndReturnsFalseWhenItCloses) {
    clearStore();
    const QDir storeFolder = QFileInfo(QtSettingsStore().location()).dir();
    std::filesystem::remove_all(storeFolder.path().toStdString());
    DesktopApp application;
    bool result = true;
    const int windows = whileModal<MainDialog>([&] { result = application.InitInstance(); }, [](MainDialog& window) {
        EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral(" (A.6.3.1)")));
    });
    EXPECT_EQ(windows, 1);
    EXPECT_FALSE(result);
    EXPECT_TRUE(storeFolder.exists()) << "the store's folder exists after a start, though nothing was written";
}

}  // namespace
}  // namespace quillane
