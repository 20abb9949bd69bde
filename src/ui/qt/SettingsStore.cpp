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
    return value.toString().toStdString();
}

void QtSettingsStore::write(const char* name, const std::string& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_);
    createFolder(settings);
    settings.setValue(QString::fromUtf8(name), QString::fromStdString(value));
    settings.sync();
}

QString QtSettingsStore::location() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_)
        .fileName();
}

}  // namespace quillane
