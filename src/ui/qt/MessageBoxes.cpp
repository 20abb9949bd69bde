#include "qt/SystemDialogs.h"

#include <QMessageBox>

namespace quillane {

void QtMessageBoxes::show(WindowHandle owner, const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    static_cast<QWidget*>(owner));
    box.setTextFormat(Qt::PlainText);  // paths and reasons are shown as they are
    box.exec();
}

}  // namespace quillane
