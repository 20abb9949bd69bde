#pragma once

#include "app/AboutBox.h"

#include <QDialog>

class QLabel;

namespace quillane {

// The About box as a Qt dialog: the program's icon, the version line and the legal notice,
// and OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(const AboutBox& box, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    QLabel* legalLabel() const { return legal_; }

private:
    QLabel* version_ = nullptr;
    QLabel* legal_ = nullptr;
};

// Shows an AboutDialog modally over its owner.
class QtAboutBoxDialog final : public AboutBoxDialog {
public:
    void DoModal(WindowHandle owner, const AboutBox& box) override;
};

}  // namespace quillane
