#pragma once

#include "split/OutputNaming.h"
#include "split/SplitHost.h"

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

}  // namespace quillane
