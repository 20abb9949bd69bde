// Shows the main window in a typical state, the About box over it, the window while it splits
// three scans, or the preview of a scan that looks like a scanned slide, for the screenshots in
// docs/ (see take-screenshots.sh). Prints the shown window's geometry, then waits to be ended.
//   ui_screenshots preview [SCAN [X Y]]: the preview of SCAN (else a small generated slide), at fit
//   or, given the written file's sample (X, Y), at 1 : 1 with that sample in the middle.
#include "ScanFile.h"
#include "app/ScriptedServices.h"

#include "qt/AboutDialog.h"
#include "qt/BuildVersion.h"
#include "qt/MainDialog.h"
#include "qt/PreviewDialog.h"
#include "qt/SettingsStore.h"
#include "qt/SystemDialogs.h"
#include "qt/ZoomController.h"
#include "qt/ZoomPane.h"
#include "support/ScanBuilder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace quillane;

namespace {

void printGeometry(const QWidget& widget) {
    const QRect frame = widget.frameGeometry();
    std::printf("%dx%d+%d+%d\n", frame.width(), frame.height(), frame.x(), frame.y());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillane"));
    const bool about = argc > 1 && std::strcmp(argv[1], "about") == 0;
    const bool run = argc > 1 && std::strcmp(argv[1], "run") == 0;
    const bool preview = argc > 1 && std::strcmp(argv[1], "preview") == 0;

    testing::ScriptedFileChooser files;
    testing::ScriptedFolderChooser folders;
    testing::NoPausePlatform platform;
    QtMessageBoxes messages;
    QtAboutBoxDialog aboutBoxes;
    QtSettingsStore settings;
    BuildVersionSource version;
    files.answers = {std::vector<std::string>{"/home/lab/scans/2026-03-12/slide01_array_A.tif",
                                              "/home/lab/scans/2026-03-12/slide02_array_B.tif",
                                              "/home/lab/scans/2026-03-12/slide03_control.tif"}};
    folders.answers = {std::string("/home/lab/split")};
    if (run) {  // real scans to split, in a folder take-screenshots.sh removes afterwards
        const std::filesystem::path scans = "/tmp/quillane-screenshots/lab/scans/2026-03-12";
        std::filesystem::create_directories(scans);
        std::vector<std::string> paths;
        for (const char* name : {"slide01_array_A.tif", "slide02_array_B.tif", "slide03_control.tif"})
            paths.push_back(testing::ScanBuilder::scan(2048, 2048).write(scans / name).string());
        files.answers = {paths};
        folders.answers = {std::string("/tmp/quillane-screenshots/lab/split")};
        std::filesystem::create_directories(folders.answers.front().value());
    }
    if (preview) {  // a slide's scan, spots on a grid, in a folder take-screenshots.sh removes afterwards
        const std::filesystem::path scans = "/tmp/quillane-screenshots/lab/scans/2026-03-12";
        std::filesystem::create_directories(scans);
        const std::string slide = argc > 2 ? std::string(argv[2]) : (scans / "slide01_array_A.tif").string();
        if (argc <= 2) bench::writeScanFile(slide, {.width = 480, .height = 1440, .oddPixelOffsets = false, .spots = true});
        files.answers = {std::vector<std::string>{slide}};
    }

    MainDialog window(WindowServices{&files, &folders, &messages, &aboutBoxes, &settings, &version, &platform});
    window.show();
    window.logic().OnBrowseInput();
    window.logic().OnBrowseOutput();
    if (!(preview && argc > 2)) window.flipBox()->click();  // a given slide as scanned: tall, as the panes are

    AboutBox box;
    box.takeVersion(version.load());
    AboutDialog aboutDialog(box, &window);
    QTimer::singleShot(200, [&] {
        if (about) {
            aboutDialog.show();
            QTimer::singleShot(200, [&] { printGeometry(aboutDialog); });
        } else if (preview) {
            window.previewAction()->trigger();
            PreviewDialog& dialog = *window.previewDialog();
            QObject::connect(&dialog, &PreviewDialog::pageShown, [&] {
                if (argc > 4) {  // the sample (X, Y) in the middle of the panes, one sample a pixel
                    ZoomPane& pane = *dialog.pane(2);
                    const QPointF at(pane.width() / 2.0, pane.height() / 2.0);
                    dialog.zoom().zoomToActualSize(at);
                    const ZoomView& view = *dialog.zoom().view();
                    dialog.zoom().panBy({view.sampleX(at.x()) - std::atof(argv[3]), view.sampleY(at.y()) - std::atof(argv[4])});
                    QTimer::singleShot(0, [&] { dialog.zoom().refreshNow(); });
                }
                auto* waiting = new QTimer(&dialog);  // until every tile the view shows has come
                QObject::connect(waiting, &QTimer::timeout, [&, waiting] {
                    if (dialog.zoom().missingTiles() > 0) return;
                    waiting->stop();
                    dialog.pane(2)->setFocus();
                    // What the status line says with the pointer on the middle of the composite.
                    if (argc > 4) dialog.pane(2)->pointerMoved(QPointF(dialog.pane(2)->width() / 2.0, dialog.pane(2)->height() / 2.0));
                    printGeometry(dialog);
                });
                waiting->start(100);
            });
        } else {
            printGeometry(window);
            if (run) QTimer::singleShot(100, [&] { window.splitButton()->click(); });
        }
    });
    return application.exec();
}
