#include "qt/AboutDialog.h"

#include "app/DialogTemplate.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quillane {

AboutDialog::AboutDialog(const AboutBox& box, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(text::aboutCaption));

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/quillane.ico")));
    version_ = new QLabel(QString::fromStdString(box.versionText), this);
    legal_ = new QLabel(QString::fromStdString(box.legalText), this);
    for (QLabel* label : {version_, legal_}) label->setTextFormat(Qt::PlainText);
    auto* ok = new QPushButton(QString::fromUtf8(text::ok), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version_);
    texts->addWidget(legal_);
    texts->addStretch(1);
    auto* row = new QHBoxLayout(this);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(fontMetrics().averageCharWidth() * 2);
    row->addLayout(texts, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

void QtAboutBoxDialog::DoModal(WindowHandle owner, const AboutBox& box) {
    AboutDialog dialog(box, static_cast<QWidget*>(owner));
    dialog.exec();
}

}  // namespace quillane
