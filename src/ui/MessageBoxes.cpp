#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace quillane {
namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    void show(QWidget* owner, const std::string& text, const std::string& caption) override {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, owner);
        box.setTextFormat(Qt::PlainText);  // paths and reasons are shown as they are
        box.exec();
    }
};

}  // namespace

MessageBoxes& systemMessageBoxes() {
    static QtMessageBoxes boxes;
    return boxes;
}

}  // namespace quillane
