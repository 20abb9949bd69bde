#include "split/RecordingHost.h"

#include "platform/Process.h"

#include <algorithm>

namespace quillane::testing {

SplitOptions RecordingHost::readOptions() {
    calls.push_back("readOptions");
    return options;
}

int RecordingHost::inputCount() {
    calls.push_back("inputCount");
    return static_cast<int>(inputs.size());
}

std::string RecordingHost::inputPath(int i) {
    calls.push_back("inputPath " + std::to_string(i));
    return inputs.at(static_cast<std::size_t>(i));
}

void RecordingHost::selectInput(int i) {
    calls.push_back("selectInput " + std::to_string(i));
    if (onSelect) onSelect(i);
}

void RecordingHost::setStatusText(const std::string& text) { calls.push_back("status " + text); }
void RecordingHost::redrawNow() { calls.push_back("redraw"); }

void RecordingHost::showMessage(const std::string& text, const std::string& caption) {
    calls.push_back("message " + caption + ": " + text);
    if (onMessage) onMessage(text);
}

void RecordingHost::beginWaitCursor() { calls.push_back("beginWait"); }
void RecordingHost::endWaitCursor() { calls.push_back("endWait"); }

void RecordingHost::setRange(int low, int high) {
    calls.push_back("range " + std::to_string(low) + " " + std::to_string(high));
}

// Long work shows the position it is at again now and then; written down once.
void RecordingHost::setPosition(int pos) {
    const std::string call = "position " + std::to_string(pos);
    if (calls.empty() || calls.back() != call) calls.push_back(call);
    if (onPosition) onPosition(pos);
}

std::vector<std::string> RecordingHost::callsFrom(const std::string& from) const {
    const auto start = from.empty() ? calls.begin() : std::find(calls.begin(), calls.end(), from);
    return {start, calls.end()};
}

bool RecordingHost::called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::string RecordingPlatform::currentDirectory() {
    calls.push_back("currentDirectory");
    return quillane::currentDirectory();
}

bool RecordingPlatform::changeDirectory(const std::string& path) {
    calls.push_back("changeDirectory " + path);
    return quillane::changeDirectory(path);
}

void RecordingPlatform::pause(int milliseconds) { calls.push_back("pause " + std::to_string(milliseconds)); }

}  // namespace quillane::testing
