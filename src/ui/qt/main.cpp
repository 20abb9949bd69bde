#include "platform/OutputSignals.h"
#include "qt/DesktopApp.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

quillane::DesktopApp theApp;

// Without a display Qt would stop with a list of its plug-ins; say plainly what is missing.
bool displayAvailable() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!displayAvailable()) {
        std::fputs("Quillane needs a display to show its window, and there is none (DISPLAY is not set).\n"
                   "To run it without one, start it under a virtual display: xvfb-run quillane\n",
                   stderr);
        return 1;
    }
    // The window ended by a signal (the session closing, a kill) leaves no temporary behind.
    quillane::undoUnfinishedOutputsOnSignals();
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("quillane"));
    theApp.startupFiles = quillane::startupFiles(argc, argv);
    if (theApp.InitInstance()) return application.exec();
    return 0;
}
