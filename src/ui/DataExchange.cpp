#include "ui/DataExchange.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace quillane {

void DataExchange::text(int id, std::string& field) {
    QWidget* widget = dialog_.control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (saving_) field = edit->text().toStdString();
        else edit->setText(QString::fromStdString(field));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (saving_) field = label->text().toStdString();
        else label->setText(QString::fromStdString(field));
    }
}

void DataExchange::check(int id, int& field) {
    auto* box = qobject_cast<QCheckBox*>(dialog_.control(id));
    if (!box) return;
    if (saving_) field = box->isChecked() ? 1 : 0;
    else box->setChecked(field != 0);
}

void DataExchange::radio(int id, int& field) {
    const int first = dialog_.indexOf(id);
    if (first < 0) return;
    const auto& controls = dialog_.source->controls;
    if (saving_) field = -1;
    for (std::size_t i = static_cast<std::size_t>(first); i < controls.size(); ++i) {
        const bool startsGroup = (controls[i].styles & style::group) != 0;
        auto* button = qobject_cast<QRadioButton*>(dialog_.widgets[i]);
        if (!button || (startsGroup && static_cast<int>(i) != first)) break;
        const int index = static_cast<int>(i) - first;
        if (saving_) {
            if (button->isChecked()) field = index;
        } else {
            button->setChecked(index == field);
        }
    }
}

}  // namespace quillane
