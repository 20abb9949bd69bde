#include "ScriptedServices.h"

namespace quillane::testing {

std::optional<std::vector<std::string>> ScriptedFileChooser::chooseFiles(WindowHandle owner,
                                                                         const OpenFilesRequest& request) {
    requests.push_back(request);
    owners.push_back(owner);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFolderChooser::chooseFolder(WindowHandle, const std::string& title,
                                                               const std::string& preselect) {
    titles.push_back(title);
    preselections.push_back(preselect);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingMessageBoxes::show(WindowHandle owner, const std::string& text, const std::string& caption) {
    shown.push_back({text, caption, owner, dialog_[idProgress].position, dialog_[idStatus].text});
}

void RecordingAboutBoxes::DoModal(WindowHandle owner, const AboutBox& box) {
    shown.push_back(box);
    owners.push_back(owner);
}

std::string MemorySettingsStore::read(const char* name) {
    ++reads;
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
}

void MemorySettingsStore::write(const char* name, const std::string& value) {
    ++writes;
    values[name] = value;
}

std::string MemorySettingsStore::stored(const char* name) const {
    const auto found = values.find(name);
    return found == values.end() ? "<missing>" : found->second;
}

VersionResource FixedVersionSource::load() {
    ++loads;
    return resource;
}

}  // namespace quillane::testing
