#pragma once

#include "platform/FileLocation.h"
#include "split/OutputNaming.h"
#include "split/SplitHost.h"

#include <map>
#include <string>
#include <vector>

namespace quillane {

// What a run will do with one input, decided before anything is written.
enum class PlannedAction {
    split,
    // The same file stands earlier in the list: it is split once, there.
    skipRepeat,
    // One of its channel files would land on a file another input writes, or on an input of the
    // run itself: splitting it would destroy what the run has just written or is about to read.
    refuse,
};

struct PlannedInput {
    std::string input;
    OutputPaths outputs;
    PlannedAction action = PlannedAction::split;
    // The index of the input this one repeats (listed earlier) or clashes with.
    int other = -1;
    // For a refused input, the complete message, naming both inputs.
    std::string refusal;
};

// Works out where every input of a run writes and which inputs must not be split. Places are
// compared as the file system sees them (see locationKey), so two spellings of one folder, or
// names that differ only in case on Windows, are the same place.
std::vector<PlannedInput> planOutputs(const SplitOptions& options, const std::vector<std::string>& inputs);

// The files a run reads and writes, known by what they are rather than by their names, so that
// no output takes the place of one of them however it is spelt: a hard link, a name in another
// case on a disk that ignores case, a folder reached two ways.
class RunFiles {
public:
    // The run's inputs, as they stand now.
    void addInputs(const std::vector<std::string>& inputs);
    // The refusal of `input` when a file standing where one of its outputs goes is an input of
    // the run or a file the run has written, naming both; empty when neither is.
    std::string clash(const std::string& input, const OutputPaths& outputs) const;
    // The outputs of `input` have been written.
    void addWritten(const std::string& input, const OutputPaths& outputs);

private:
    struct Known {
        std::string input;  // the input it is, or whose output
        bool isInput;
    };
    std::map<FileIdentity, Known> known_;
};

}  // namespace quillane
