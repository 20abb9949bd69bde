#pragma once

#include "preview/ScanPreview.h"
#include "split/OutputNaming.h"
#include "split/SplitChecks.h"
#include "split/SplitHost.h"

#include <optional>
#include <string>
#include <vector>

namespace quillane {

// A failure as one line of a log that names its file once: the line breaks a system text ends
// in (or holds) become single spaces, and a text that does not begin with the file's name gets
// it in front, as the program's own texts name it ("<file> : <reason>"). A text about another
// file (an output) that begins with that file's name and names it again in its reason, as the
// file layer's texts do, loses the first of the two.
std::string failureLine(const std::string& file, const std::string& text);
// Writes "quillane-split: <failure line>" on standard error.
void reportFailure(const std::string& file, const std::string& message);
// Writes one line on standard output and sends it on at once: a pipeline or a log reads each
// line as it comes.
void writeLine(const std::string& line);
// Writes a path on standard output as writeLine does, ended by a NUL instead when `nulEnded`:
// the one byte no path holds, so that any name, spaces and line breaks included, stays whole.
void writePath(const std::string& path, bool nulEnded);
// Sends on what is left for standard output and closes it; false, with a message on standard
// error, when anything written there did not arrive whole (a full disk, a closed pipe).
bool finishStandardOutput();

// What became of one file, as a report states it. Fields without a value are left out of the
// report.
struct FileReport {
    std::string input;
    std::optional<OutputPaths> outputs;
    std::string status;
    std::string message;
    // For a split, the output files that changed: both of a split file, none of a failed one but
    // what could not be put back as it was.
    std::optional<std::vector<std::string>> changed;
    std::optional<ScanFacts> scan;
    bool withTexts = false;  // the scan's seven texts too
    std::optional<SplitOptions> flip;
    std::optional<double> seconds;
    std::string time;  // the moment of a watched folder's event
    // A preview's picture and its channels' figures, red then green.
    std::string picture;
    std::vector<ChannelFigures> figures;
};

// One object of JSON Lines, without its line end. A text that is not UTF-8 is given with each
// byte that does not fit as U+FFFD, and beside it "<field>Base64" holds its exact bytes.
std::string jsonLine(const FileReport& report);
// An event of a watched folder that concerns no single file.
std::string jsonEventLine(const std::string& time, const std::string& status, const std::string& folder,
                          const std::string& message = {});

// The local time as ISO 8601 with milliseconds and the offset from UTC: 2024-05-02T14:03:07.125+02:00.
std::string localTimestamp();

}  // namespace quillane
