#pragma once

#include "split/OutputNaming.h"
#include "split/OutputPlan.h"
#include "split/SplitChecks.h"
#include "split/SplitHost.h"

#include <optional>
#include <string>
#include <vector>

namespace quillane {

// What became of one input of a run.
struct InputOutcome {
    enum class Result {
        // The run ended before it took the input up.
        notReached,
        // Both channel files are written and in place.
        written,
        // The input was refused or its split failed; `failure` says why. Neither file changed
        // (but for one that could not be put back as it was, listed in `changed`).
        failed,
        // The same file stands earlier in the list and was split there.
        repeated,
        // The host asked the run to stop while it split this input, and the file under way was
        // abandoned.
        stopped,
    };
    std::string input;
    OutputPaths outputs;
    Result result = Result::notReached;
    std::string failure;
    // The output files that hold new files now: both for a written input, none otherwise.
    std::vector<std::string> changed;
    // What the scan holds, once the run has read it (also when it was refused afterwards).
    std::optional<ScanFacts> scan;
    // How long the run spent on it, the pause after it aside.
    double seconds = 0;
};

// What a split run did, for a caller that needs more than the messages the host was shown.
struct SplitOutcome {
    // The output folder cannot be entered; no input was taken up.
    bool outputFolderRefused = false;
    // The host asked the run to stop, after an input or during one; the inputs after it were not
    // taken up.
    bool stopped = false;
    // The message of the failure that ended the run, as the host was shown it; empty when none.
    // A run that keeps going is ended by no failure: its inputs tell theirs.
    std::string failure;
    // One entry per input the host listed, in its order; empty when the folder was refused.
    std::vector<InputOutcome> inputs;

    // Every input has its two files (a repeated one through the entry it repeats).
    bool succeeded() const;
};

// Splits every input the host lists into its two channel files, reporting through the host:
// its status line, progress, selection and messages. Before anything is written, every output
// path is worked out: a file listed twice is split once, and when two inputs would write the same
// file, or a file would replace an input of the run, nothing is split (with the keepGoing option,
// only the later input of the two is refused).
SplitOutcome SplitRun(SplitHost& host, SplitPlatform& platform = systemSplitPlatform());
// The same, for a caller that runs one split per input and wants each to know the files of the
// others (`files` starts with every input of the caller's list, and gains what is written).
SplitOutcome SplitRun(SplitHost& host, SplitPlatform& platform, RunFiles& files);

}  // namespace quillane
