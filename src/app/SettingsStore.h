#pragma once

#include <string>

namespace quillane {

// The per-user store of remembered values, under software, Velmora, DarozAvazi and the
// application's name. Every access creates that path, read or write.
class SettingsStore {
public:
    static constexpr const char* companyKey = "Velmora\\DarozAvazi";

    virtual ~SettingsStore() = default;
    // The stored value whole, or the empty string when there is none or the store cannot be read.
    virtual std::string read(const char* name) = 0;
    // A failed write is not reported: the value is simply not there next time.
    virtual void write(const char* name, const std::string& value) = 0;
};

// The names of the remembered values.
inline constexpr const char* lastInputPathSetting = "LastTiffpath";
inline constexpr const char* lastInputFolderSetting = "LastTiffdir";
inline constexpr const char* lastOutputFolderSetting = "LastOutputpath";

}  // namespace quillane
