#include "ui/AboutBox.h"

#include "ui/DataExchange.h"

#include <QPushButton>

namespace quillane {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    controls_ = buildDialog(*this, aboutDialogTemplate());
    connect(static_cast<QPushButton*>(controls_.control(idOk)), &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::takeVersion(const VersionResource& resource) {
    if (resource.productVersion) versionText = "Quillane Version: " + ProductVersionText(*resource.productVersion);
    if (resource.legalCopyright) legalText = *resource.legalCopyright + " Velmora Technologies";
}

int AboutBox::DoModal() {
    return exec();
}

// Opening the box copies the fields into the controls, over the template's placeholder texts.
void AboutBox::setVisible(bool visible) {
    if (visible && !initialised_) {
        initialised_ = true;
        UpdateData(false);
    }
    QDialog::setVisible(visible);
}

void AboutBox::DoDataExchange(DataExchange& exchange) {
    exchange.text(idVersionText, versionText);
    exchange.text(idLegalText, legalText);
}

void AboutBox::UpdateData(bool saveAndValidate) {
    DataExchange exchange(controls_, saveAndValidate);
    DoDataExchange(exchange);
}

}  // namespace quillane
