#include "app/DataExchange.h"

namespace quillane {

void DataExchange::control(int id, DialogItem& field) {
    field = DialogItem(controls_, id);
}

void DataExchange::text(int id, std::string& field) {
    if (saving_) field = controls_.text(id);
    else controls_.setText(id, field);
}

void DataExchange::check(int id, int& field) {
    if (saving_) field = controls_.isChecked(id) ? 1 : 0;
    else controls_.setChecked(id, field != 0);
}

void DataExchange::radio(int id, int& field) {
    const auto& controls = source_.controls;
    std::size_t first = 0;
    while (first < controls.size() && controls[first].id != id) ++first;
    if (saving_) field = -1;
    for (std::size_t i = first; i < controls.size(); ++i) {
        const DialogControl& control = controls[i];
        const bool isRadio = control.controlClass == ControlClass::button &&
                             (control.styles & style::buttonKindMask) == style::autoRadioButton;
        if (!isRadio || (i != first && (control.styles & style::group) != 0)) break;
        const int index = static_cast<int>(i - first);
        if (saving_) {
            if (controls_.isChecked(control.id)) field = index;
        } else {
            controls_.setChecked(control.id, index == field);
        }
    }
}

}  // namespace quillane
