#include "ui/DesktopApp.h"

#include "ui/Artwork.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QIcon>

namespace quillane {

bool DesktopApp::InitInstance() {
    // The settings store is named by the organisation path and the application's name, which
    // Qt has taken from the executable's file name.
    QApplication::setWindowIcon(QIcon(programIcon()));
    {
        MainWindow window;
        window.DoModal();  // ends only through Cancel, Escape or the close box
    }
    return false;
}

}  // namespace quillane
