#include "split/OutputPlan.h"

#include "platform/FileLocation.h"

#include <cstddef>
#include <map>
#include <utility>

namespace quillane {
namespace {

std::string keyOf(const std::string& path) {
    return locationKey(DriveAndDirectory(path), FileNamePart(path));
}

std::string clashWithOutput(const std::string& input, const std::string& output, const std::string& earlier) {
    return input + " : Its channel file " + output + " would also be written for " + earlier +
           ". Split them into different output folders";
}

std::string clashWithInput(const std::string& input, const std::string& output, const std::string& other) {
    return input + " : Its channel file " + output + " would replace " + other + ", which is also to be split";
}

}  // namespace

std::vector<PlannedInput> planOutputs(const SplitOptions& options, const std::vector<std::string>& inputs) {
    std::vector<PlannedInput> plan;
    plan.reserve(inputs.size());
    // Where each input lies, and which input writes each output place; indices, not pointers,
    // as the plan grows.
    std::map<std::string, int> inputAt;
    std::vector<std::string> inputKeys;
    inputKeys.reserve(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputKeys.push_back(keyOf(inputs[i]));
        inputAt.emplace(inputKeys.back(), static_cast<int>(i));  // keeps the first of repeats
    }

    std::map<std::string, int> writtenBy;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        PlannedInput entry;
        entry.input = inputs[i];
        entry.outputs = composeOutputPaths(options, inputs[i]);
        const int first = inputAt.at(inputKeys[i]);
        if (first != static_cast<int>(i)) {
            entry.action = PlannedAction::skipRepeat;
            entry.other = first;
            plan.push_back(std::move(entry));
            continue;
        }
        for (const std::string* output : {&entry.outputs.first, &entry.outputs.second}) {
            const std::string key = keyOf(*output);
            if (const auto input = inputAt.find(key); input != inputAt.end()) {
                entry.action = PlannedAction::refuse;
                entry.other = input->second;
                entry.refusal = clashWithInput(inputs[i], *output, inputs[static_cast<std::size_t>(input->second)]);
                break;
            }
            if (const auto writer = writtenBy.find(key); writer != writtenBy.end()) {
                entry.action = PlannedAction::refuse;
                entry.other = writer->second;
                entry.refusal = clashWithOutput(inputs[i], *output, inputs[static_cast<std::size_t>(writer->second)]);
                break;
            }
        }
        // Only what is really written claims its places; a refused input writes nothing.
        if (entry.action == PlannedAction::split) {
            writtenBy.emplace(keyOf(entry.outputs.first), static_cast<int>(i));
            writtenBy.emplace(keyOf(entry.outputs.second), static_cast<int>(i));
        }
        plan.push_back(std::move(entry));
    }
    return plan;
}

void RunFiles::addInputs(const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (const auto identity = fileIdentity(input)) known_.emplace(*identity, Known{input, true});
    }
}

std::string RunFiles::clash(const std::string& input, const OutputPaths& outputs) const {
    for (const std::string* output : {&outputs.first, &outputs.second}) {
        const auto identity = fileIdentity(*output);
        if (!identity) continue;
        const auto file = known_.find(*identity);
        if (file == known_.end()) continue;
        const Known& known = file->second;
        return known.isInput ? clashWithInput(input, *output, known.input) : clashWithOutput(input, *output, known.input);
    }
    return {};
}

void RunFiles::addWritten(const std::string& input, const OutputPaths& outputs) {
    for (const std::string* output : {&outputs.first, &outputs.second}) {
        if (const auto identity = fileIdentity(*output)) known_.insert_or_assign(*identity, Known{input, false});
    }
}

}  // namespace quillane
