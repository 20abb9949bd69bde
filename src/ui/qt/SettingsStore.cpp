#include "qt/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <utility>

namespace quillane {
namespace {

// Every access creates the store's folder, read or write, so it exists after the first start.
void createFolder(const QSettings& settings) {
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
}

}  // namespace

QtSettingsStore::QtSettingsStore() : applicationName_(QCoreApplication::applicationName()) {}

QtSettingsStore::QtSettingsStore(QString applicationName) : applicationName_(std::move(applicationName)) {}

std::string QtSettingsStore::read(const char* name) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation),
                             applicationName_);
    createFolder(settings);
    const QVariant value = settings.value(QString::fromUtf8(name));
    if (!value.isValid() || settings.status() != QSettings::NoError) return {};
    // Bytes that are not UTF-8 were stored as such; text, as every earlier version stored it, is
    // read as its UTF-8.
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::write(const char* name, const std::string& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_);
    createFolder(settings);
    // A path is bytes: those that are UTF-8 are stored as text, readable as ever; others as bytes,
    // which the text would lose.
    const QByteArray bytes(value.data(), static_cast<qsizetype>(value.size()));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) settings.setValue(QString::fromUtf8(name), text);
    else settings.setValue(QString::fromUtf8(name), bytes);
    settings.sync();
}

QString QtSettingsStore::location() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_)
        .fileName();
}

}  // namespace quillane
