#include "ui/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <utility>

namespace quillane {
namespace {

// Every access creates the store's folder, read or write, so it exists after the first start.
void createFolder(const QSettings& settings) {
#ifndef Q_OS_WIN
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
#else
    (void)settings;
#endif
}

}  // namespace

SettingsStore::SettingsStore() : applicationName_(QCoreApplication::applicationName()) {}

SettingsStore::SettingsStore(QString applicationName) : applicationName_(std::move(applicationName)) {}

std::string SettingsStore::read(const char* name, const std::string& fallback) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation),
                             applicationName_);
    createFolder(settings);
    const QVariant value = settings.value(QString::fromUtf8(name));
    if (!value.isValid() || settings.status() != QSettings::NoError) return fallback;
    return value.toString().toStdString();
}

void SettingsStore::write(const char* name, const std::string& value) const {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_);
    createFolder(settings);
    settings.setValue(QString::fromUtf8(name), QString::fromStdString(value));
    settings.sync();
}

QString SettingsStore::location() const {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(organisation), applicationName_)
        .fileName();
}

}  // namespace quillane
