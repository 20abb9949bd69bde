#pragma once

#include "ScriptedDialog.h"
#include "app/AboutBox.h"
#include "app/Choosers.h"
#include "app/SettingsStore.h"
#include "app/VersionInfo.h"
#include "split/SplitHost.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillane::testing {

// Answers the file dialog from a script and keeps what it was asked.
class ScriptedFileChooser : public FileChooser {
public:
    std::deque<std::optional<std::vector<std::string>>> answers;
    std::vector<OpenFilesRequest> requests;
    std::vector<WindowHandle> owners;
    std::optional<std::vector<std::string>> chooseFiles(WindowHandle owner, const OpenFilesRequest& request) override;
};

// Answers the folder dialog from a script and keeps what it was asked.
class ScriptedFolderChooser : public FolderChooser {
public:
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> titles;
    std::vector<std::string> preselections;
    std::optional<std::string> chooseFolder(WindowHandle owner, const std::string& title,
                                            const std::string& preselect) override;
};

// A message as it was shown, with what the window showed meanwhile.
struct ShownMessage {
    std::string text;
    std::string caption;
    WindowHandle owner = nullptr;
    int progress = -1;
    std::string status;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    explicit RecordingMessageBoxes(ScriptedDialog& dialog) : dialog_(dialog) {}
    std::vector<ShownMessage> shown;
    void show(WindowHandle owner, const std::string& text, const std::string& caption) override;

private:
    ScriptedDialog& dialog_;
};

class RecordingAboutBoxes : public AboutBoxDialog {
public:
    std::vector<AboutBox> shown;
    std::vector<WindowHandle> owners;
    void DoModal(WindowHandle owner, const AboutBox& box) override;
};

// A settings store in memory that counts its accesses.
class MemorySettingsStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;
    int reads = 0;
    int writes = 0;
    std::string read(const char* name) override;
    void write(const char* name, const std::string& value) override;
    // The stored value, or "<missing>".
    std::string stored(const char* name) const;
};

class FixedVersionSource : public VersionSource {
public:
    VersionResource resource{FixedVersion{1, 6, 3, 1}, std::string("Copyright (C) 2026")};
    int loads = 0;
    VersionResource load() override;
};

// The process's real directories, without the pause after each file.
class NoPausePlatform : public SplitPlatform {
public:
    std::vector<int> pauses;
    std::string currentDirectory() override { return systemSplitPlatform().currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return systemSplitPlatform().changeDirectory(path); }
    void pause(int milliseconds) override { pauses.push_back(milliseconds); }
};

}  // namespace quillane::testing
