#include "split/WatchRecord.h"

#include "platform/FileState.h"
#include "platform/OutputFile.h"
#include "platform/StateFolder.h"
#include "split/OutputPlan.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace quillane {
namespace {

using Json = nlohmann::json;

constexpr std::uint64_t fingerprintSpan = std::uint64_t{64} * 1024;

std::uint64_t fnv1a(std::uint64_t hash, const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string hex(std::uint64_t value) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15];
    return text;
}

// The fingerprint of the first and the last bytes of a file of `size` bytes; empty when they
// cannot be read.
std::string fingerprintOf(const std::string& path, std::uint64_t size) {
    std::ifstream file(path, std::ios::binary);
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::vector<char> bytes(fingerprintSpan);
    const std::uint64_t head = std::min(size, fingerprintSpan);
    const std::uint64_t tailFrom = std::max(head, size > fingerprintSpan ? size - fingerprintSpan : 0);
    for (const auto& [from, count] : {std::pair{std::uint64_t{0}, head}, std::pair{tailFrom, size - tailFrom}}) {
        if (count == 0) continue;
        file.seekg(static_cast<std::streamoff>(from));
        file.read(bytes.data(), static_cast<std::streamsize>(count));
        if (!file || static_cast<std::uint64_t>(file.gcount()) != count) return {};
        hash = fnv1a(hash, bytes.data(), static_cast<std::size_t>(count));
    }
    return hex(hash);
}

Json identityJson(const FileIdentity& identity) {
    return Json{{"volume", identity.volume}, {"high", identity.high}, {"low", identity.low}};
}

FileIdentity identityFrom(const Json& json) {
    return {.volume = json.at("volume").get<std::uint64_t>(), .high = json.at("high").get<std::uint64_t>(),
            .low = json.at("low").get<std::uint64_t>()};
}

// A text as JSON holds it: as itself when it is UTF-8, else its bytes in hexadecimal beside, so
// that a name in another encoding comes back exactly.
void putText(Json& json, const std::string& key, const std::string& text) {
    try {
        (void)Json(text).dump();
        json[key] = text;
    } catch (const Json::exception&) {
        std::string bytes;
        for (const char c : text) bytes += hex(static_cast<unsigned char>(c)).substr(14);
        json[key + "Hex"] = bytes;
    }
}

std::string textFrom(const Json& json, const std::string& key) {
    if (json.contains(key)) return json.at(key).get<std::string>();
    const std::string bytes = json.at(key + "Hex").get<std::string>();
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char>(std::stoi(bytes.substr(i, 2), nullptr, 16));
    return text;
}

std::string folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::string keyOfPlace(const std::string& path) { return locationKey(DriveAndDirectory(path), FileNamePart(path)); }

}  // namespace

std::optional<ScanMark> markOf(const std::string& path) {
    const FileState state = fileState(path);
    const std::optional<FileIdentity> identity = fileIdentity(path);
    if (!state.exists || !identity) return std::nullopt;
    std::string fingerprint = fingerprintOf(path, state.size);
    if (fingerprint.empty()) return std::nullopt;
    return ScanMark{.identity = *identity, .size = state.size, .modified = state.modified, .fingerprint = std::move(fingerprint)};
}

std::string recordLine(const SplitRecordEntry& entry) {
    Json json;
    putText(json, "scan", entry.scan);
    json["identity"] = identityJson(entry.mark.identity);
    json["size"] = entry.mark.size;
    json["modified"] = entry.mark.modified;
    json["fingerprint"] = entry.mark.fingerprint;
    json["flip"] = entry.flip;
    json["outputs"] = Json::array();
    for (const RecordedFile& output : entry.outputs) {
        Json file{{"identity", identityJson(output.identity)}, {"size", output.size}};
        putText(file, "path", output.path);
        json["outputs"].push_back(std::move(file));
    }
    json["time"] = entry.time;
    json["version"] = entry.version;
    if (entry.foundInFolder) json["foundInFolder"] = true;
    return json.dump();
}

std::optional<SplitRecordEntry> entryFromLine(const std::string& line) {
    const Json json = Json::parse(line, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    try {
        SplitRecordEntry entry;
        entry.scan = textFrom(json, "scan");
        entry.mark = {.identity = identityFrom(json.at("identity")), .size = json.at("size").get<std::uint64_t>(),
                      .modified = json.at("modified").get<std::int64_t>(),
                      .fingerprint = json.at("fingerprint").get<std::string>()};
        entry.flip = json.at("flip").get<std::string>();
        for (const Json& output : json.at("outputs"))
            entry.outputs.push_back({.path = textFrom(output, "path"), .identity = identityFrom(output.at("identity")),
                                     .size = output.at("size").get<std::uint64_t>()});
        entry.time = json.at("time").get<std::string>();
        entry.version = json.at("version").get<std::string>();
        entry.foundInFolder = json.value("foundInFolder", false);
        if (entry.outputs.size() != 2) return std::nullopt;
        return entry;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

SplitRecord::SplitRecord(const std::string& folder, const std::string& stateFolder)
    : journal_((std::filesystem::path(stateFolder) / (keyOf(folder) + ".jsonl")).string()) {}

std::string SplitRecord::keyOf(const std::string& folder) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(folder, error);
    if (!error) full = std::filesystem::weakly_canonical(full, error);
    std::string spelled = (error ? std::filesystem::path(folder) : full).string();
    while (spelled.size() > 1 && (spelled.back() == '/' || spelled.back() == '\\')) spelled.pop_back();
    if (nativePathStyle == PathStyle::windows) spelled = folded(spelled);  // Windows names ignore case
    std::string name;
    for (const char c : FileNamePart(spelled))
        if (std::isalnum(static_cast<unsigned char>(c)) != 0 && name.size() < 40) name += c;
    return (name.empty() ? "root" : name) + '-' + hex(fnv1a(0xcbf29ce484222325ULL, spelled.data(), spelled.size()));
}

std::string SplitRecord::besideJournal(const std::string& ending) const {
    return journal_.substr(0, journal_.size() - 6) + ending;
}

SplitRecord::Found SplitRecord::read() {
    entries_.clear();
    lastOf_.clear();
    outputs_.clear();
    byOutputName_.clear();
    std::ifstream file(journal_, std::ios::binary);
    if (!file) return Found::missing;
    bool damaged = false;
    for (std::string line; std::getline(file, line);) {
        if (line.empty()) continue;
        if (auto entry = entryFromLine(line)) {
            entries_.push_back(std::move(*entry));
            index(entries_.size() - 1);
        } else {
            damaged = true;
        }
    }
    if (file.bad()) return Found::damaged;
    return damaged ? Found::damaged : Found::intact;
}

int SplitRecord::takeFromFolder(const SplitOptions& options, const std::vector<std::string>& scans,
                                const std::string& version, const std::string& time) {
    int taken = 0;
    for (const std::string& path : scans) {
        const std::string name = FileNamePart(path);
        if (lastOf_.contains(name)) continue;
        const FileState scan = fileState(path);
        const OutputPaths outputs = composeOutputPaths(options, path);
        SplitRecordEntry entry;
        entry.scan = name;
        entry.time = time;
        entry.version = version;
        entry.foundInFolder = true;
        for (const std::string* output : {&outputs.first, &outputs.second}) {
            const FileState state = fileState(*output);
            const std::optional<FileIdentity> identity = fileIdentity(*output);
            if (!state.exists || !identity || !writtenAtOrAfter(state, scan)) break;
            entry.outputs.push_back({.path = *output, .identity = *identity, .size = state.size});
        }
        const std::optional<ScanMark> mark = markOf(path);
        if (entry.outputs.size() != 2 || !mark) continue;
        entry.mark = *mark;
        entry.flip = flipName(options);
        entries_.push_back(std::move(entry));
        index(entries_.size() - 1);
        ++taken;
    }
    return taken;
}

void SplitRecord::compact() {
    std::vector<std::size_t> kept;
    for (const auto& [name, at] : lastOf_) kept.push_back(at);
    std::sort(kept.begin(), kept.end());
    std::string text;
    std::vector<SplitRecordEntry> entries;
    for (const std::size_t at : kept) {
        text += recordLine(entries_[at]) + '\n';
        entries.push_back(std::move(entries_[at]));
    }
    OutputFile file(journal_);
    file.write(text.data(), text.size());
    file.commit();
    entries_ = std::move(entries);
    lastOf_.clear();
    outputs_.clear();
    byOutputName_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) index(i);
}

void SplitRecord::index(std::size_t at) {
    const SplitRecordEntry& entry = entries_[at];
    lastOf_[entry.scan] = at;
    for (const RecordedFile& output : entry.outputs) {
        outputs_[output.identity] = at;
        byOutputName_[folded(FileNamePart(output.path))].insert(entry.scan);
    }
}

void SplitRecord::add(const SplitRecordEntry& entry) {
    appendDurably(journal_, recordLine(entry) + '\n');
    entries_.push_back(entry);
    index(entries_.size() - 1);
}

bool SplitRecord::splitAsItIs(const std::string& name, const ScanMark& now, const std::string& flip,
                              const OutputPaths& outputs) const {
    const auto last = lastOf_.find(name);
    if (last == lastOf_.end()) return false;
    const SplitRecordEntry& entry = entries_[last->second];
    if (!(entry.mark == now) || entry.flip != flip) return false;
    // Where the channel files went, by the place and not by its spelling: another --out is
    // another split.
    return keyOfPlace(entry.outputs[0].path) == keyOfPlace(outputs.first) &&
           keyOfPlace(entry.outputs[1].path) == keyOfPlace(outputs.second);
}

bool SplitRecord::isOutput(const FileIdentity& identity, std::uint64_t size, const std::string& name) const {
    const auto found = outputs_.find(identity);
    if (found == outputs_.end()) return false;
    for (const RecordedFile& output : entries_[found->second].outputs)
        if (output.identity == identity && output.size == size && folded(FileNamePart(output.path)) == folded(name)) return true;
    return false;
}

std::string SplitRecord::clash(const SplitOptions& options, const std::string& path, const std::string& folderPrefix) const {
    const std::string name = FileNamePart(path);
    const OutputPaths mine = composeOutputPaths(options, path);
    // Only the scans whose channel files had names that may fold into one of these are asked
    // about, and only those still there.
    for (const std::string& output : {folded(FileNamePart(mine.first)), folded(FileNamePart(mine.second))}) {
        const auto scans = byOutputName_.find(output);
        if (scans == byOutputName_.end()) continue;
        for (const std::string& scan : scans->second) {
            const std::string other = folderPrefix + scan;
            if (scan == name || !fileState(other).exists) continue;
            const std::vector<PlannedInput> plan = planOutputs(options, {other, path});
            if (plan.size() == 2 && plan[1].action == PlannedAction::refuse) return plan[1].refusal;
        }
    }
    return {};
}

}  // namespace quillane
