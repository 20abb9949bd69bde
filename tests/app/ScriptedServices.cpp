#include "ScriptedServices.h"

namespace quillane::testing {
namespace {

// The next scripted answer; a chooser with none left is cancelled.
template <class T>
std::optional<T> nextAnswer(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

std::optional<std::vector<std::string>> ScriptedFileChooser::chooseFiles(WindowHandle owner,
                                                                         const OpenFilesRequest& request) {
    requests.push_back(request);
    owners.push_back(owner);
    return nextAnswer(answers);
}

std::optional<std::string> ScriptedFolderChooser::chooseFolder(WindowHandle, const std::string& title,
                                                               const std::string& preselect) {
    titles.push_back(title);
    preselections.push_back(preselect);
    return nextAnswer(answers);
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
