#pragma once

#include "platform/FileLocation.h"
#include "split/OutputNaming.h"
#include "split/SplitHost.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillane {

// What a scan is now, to tell whether it is the one that was split: which file it is, its size
// and time as the system gives them, and a fingerprint of the bytes where its header, its
// directories and its scanner record are written (the first and the last 64 KiB), so that
// another scan copied in over it at the same size and time is told apart. No clock is compared.
struct ScanMark {
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::string fingerprint;
    bool operator==(const ScanMark&) const = default;
};
// Nothing where no regular file stands or it cannot be read.
std::optional<ScanMark> markOf(const std::string& path);

// A channel file as it was written: where, which file, how large.
struct RecordedFile {
    std::string path;
    FileIdentity identity;
    std::uint64_t size = 0;
};

// One split of a watched folder's scan.
struct SplitRecordEntry {
    std::string scan;  // its name in the folder
    ScanMark mark;
    std::string flip;  // "none", "main" or "opposite"
    std::vector<RecordedFile> outputs;
    std::string time;
    std::string version;
    // Not split by a watch that recorded it: its channel files were found newer than it when the
    // record was missing or damaged.
    bool foundInFolder = false;
};

// The record of what a watch split in one folder, kept between runs as a journal of JSON lines
// in the user's state folder: one line per split, on the disk before the split is reported, so
// that no restart splits a scan twice or misses a rescan. A scan counts as split when its last
// line matches what it is now and where its channel files go, however the clocks stand.
class SplitRecord {
public:
    // The record of `folder`, kept in `stateFolder` under a name made from the folder's full path.
    SplitRecord(const std::string& folder, const std::string& stateFolder);

    // The name the folder's files take in the state folder: its last part and a hash of its path.
    static std::string keyOf(const std::string& folder);
    // The journal, and the other files kept beside it under the same name.
    const std::string& journalPath() const { return journal_; }
    std::string besideJournal(const std::string& ending) const;

    enum class Found { intact, missing, damaged };
    // Reads the journal; a line that cannot be read (a power cut in the middle of one, a file
    // edited by hand) makes it damaged, and is left out.
    Found read();
    // For a record missing or damaged: takes each of `scans` it does not know as split when both
    // of its channel files stand there written after it, as they would have been by a split.
    // Gives how many it took.
    int takeFromFolder(const SplitOptions& options, const std::vector<std::string>& scans, const std::string& version,
                       const std::string& time);
    // Writes the journal anew with the last line of each scan, whole or not at all.
    void compact();
    // Adds a split, on the disk when it returns.
    void add(const SplitRecordEntry& entry);

    // Whether the scan `name`, as it is now, was split into `outputs` with `flip`.
    bool splitAsItIs(const std::string& name, const ScanMark& now, const std::string& flip,
                     const OutputPaths& outputs) const;
    // Whether the file `name` of `size` bytes, which is `identity`, is a channel file the record
    // holds: the file the record names, still of its size. A file number may be given again to
    // another file once the first is removed.
    bool isOutput(const FileIdentity& identity, std::uint64_t size, const std::string& name) const;
    // When an output of `path` would be one file with an output of another scan of the folder
    // that was split and is still there, as the output folder compares names: the refusal,
    // naming both, as a split of both at once would give it; empty otherwise.
    std::string clash(const SplitOptions& options, const std::string& path, const std::string& folderPrefix) const;

    const std::vector<SplitRecordEntry>& entries() const { return entries_; }

private:
    // Makes entry `at` the last of its scan.
    void index(std::size_t at);

    std::string journal_;
    std::vector<SplitRecordEntry> entries_;
    std::map<std::string, std::size_t> lastOf_;  // the last entry of each scan
    std::map<FileIdentity, std::size_t> outputs_;
    std::map<std::string, std::set<std::string>> byOutputName_;  // the scans of each channel file's name, lower case
};

// One line of the journal, and back; nothing from a line that is not one.
std::string recordLine(const SplitRecordEntry& entry);
std::optional<SplitRecordEntry> entryFromLine(const std::string& line);

}  // namespace quillane
