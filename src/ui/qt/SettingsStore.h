#pragma once

#include "app/SettingsStore.h"

#include <QString>

namespace quillane {

// The remembered values in QSettings, under the organisation path "Velmora/DarozAvazi" and
// the application's name, every value at the top level: on Linux the file
// $XDG_CONFIG_HOME/Velmora/DarozAvazi/<application>.conf.
class QtSettingsStore final : public SettingsStore {
public:
    static constexpr const char* organisation = "Velmora/DarozAvazi";

    // For the application name Qt took from the executable's file name.
    QtSettingsStore();
    explicit QtSettingsStore(QString applicationName);

    std::string read(const char* name) override;
    void write(const char* name, const std::string& value) override;

    // Where the values live.
    QString location() const;

private:
    QString applicationName_;
};

}  // namespace quillane
