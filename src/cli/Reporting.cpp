#include "cli/Reporting.h"

#include "platform/Process.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <ctime>

namespace quillane {

std::string failureLine(const std::string& file, const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c != '\r' && c != '\n') line += c;
        else if (!line.empty() && line.back() != ' ') line += ' ';
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    const std::string named = file + " : ";
    if (file.empty() || line.compare(0, named.size(), named) == 0) return line;
    if (const auto separator = line.find(" : "); separator != std::string::npos && separator > 0) {
        const std::string other = line.substr(0, separator);
        if (line.find(other, separator + 3) != std::string::npos) line.erase(0, separator + 3);
    }
    return named + line;
}

void reportFailure(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "quillane-split: %s\n", failureLine(file, message).c_str());
    std::fflush(stderr);
}

namespace {

int outputError = 0;  // why standard output failed first, 0 while it has not

}  // namespace

void writeLine(const std::string& line) {
    writePath(line, false);
}

void writePath(const std::string& path, bool nulEnded) {
    std::fwrite(path.data(), 1, path.size(), stdout);
    std::fputc(nulEnded ? '\0' : '\n', stdout);
    if (std::fflush(stdout) != 0 && outputError == 0) outputError = errno;
}

bool finishStandardOutput() {
    if (std::fflush(stdout) != 0 && outputError == 0) outputError = errno;
    const bool whole = std::ferror(stdout) == 0;
    if (std::fclose(stdout) != 0 && outputError == 0) outputError = errno;
    if (whole && outputError == 0) return true;
    std::fprintf(stderr, "quillane-split: standard output could not be written in full%s%s\n", outputError != 0 ? ": " : "",
                 outputError != 0 ? std::strerror(outputError) : "");
    return false;
}

namespace {

using json = nlohmann::ordered_json;

bool isUtf8(const std::string& text) {
    // The library's own strict check: it refuses to write a text that is not UTF-8.
    try {
        (void)json(text).dump();
        return true;
    } catch (const json::type_error&) {
        return false;
    }
}

std::string base64(const std::string& bytes) {
    static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += digits[(group >> 18) & 63];
        text += digits[(group >> 12) & 63];
        text += left > 1 ? digits[(group >> 6) & 63] : '=';
        text += left > 2 ? digits[group & 63] : '=';
    }
    return text;
}

// Any text the program hands on: a path, a message naming one, a scanner's text.
void putText(json& object, const std::string& field, const std::string& bytes) {
    object[field] = bytes;
    if (!isUtf8(bytes)) object[field + "Base64"] = base64(bytes);
}

void putFacts(json& object, const ScanFacts& facts, bool withTexts) {
    object["width"] = facts.width;
    object["height"] = facts.height;
    object["channels"] = facts.channelCount;
    object["colours"] = facts.colours;
    object["pixelSize"] = {{"x", facts.pixelSizeX}, {"y", facts.pixelSizeY}};
    if (!withTexts) return;
    json texts = json::object();
    putText(texts, "hostComputer", facts.hostComputer);
    putText(texts, "model", facts.model);
    putText(texts, "make", facts.make);
    putText(texts, "software", facts.software);
    putText(texts, "artist", facts.artist);
    putText(texts, "dateTime", facts.dateTime);
    putText(texts, "description", facts.description);
    object["texts"] = texts;
}

std::string lineOf(const json& object) {
    // Texts that are not UTF-8 have their bytes beside them; here they are only made readable.
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string jsonLine(const FileReport& report) {
    json object = json::object();
    if (!report.time.empty()) object["time"] = report.time;
    putText(object, "input", report.input);
    object["status"] = report.status;
    putText(object, "message", report.message);
    if (report.outputs) {
        object["outputs"] = {report.outputs->first, report.outputs->second};
        if (!isUtf8(report.outputs->first) || !isUtf8(report.outputs->second))
            object["outputsBase64"] = {base64(report.outputs->first), base64(report.outputs->second)};
    }
    if (report.changed) {
        object["changed"] = json::array();
        bool allUtf8 = true;
        for (const std::string& path : *report.changed) {
            object["changed"].push_back(path);
            allUtf8 = allUtf8 && isUtf8(path);
        }
        if (!allUtf8) {
            object["changedBase64"] = json::array();
            for (const std::string& path : *report.changed) object["changedBase64"].push_back(base64(path));
        }
    }
    if (report.scan) putFacts(object, *report.scan, report.withTexts);
    if (report.flip) object["flip"] = flipName(*report.flip);
    if (!report.picture.empty()) putText(object, "picture", report.picture);
    if (!report.figures.empty()) {
        object["figures"] = json::array();
        for (const ChannelFigures& figures : report.figures)
            object["figures"].push_back({{"minimum", figures.minimum}, {"maximum", figures.maximum}, {"mean", figures.mean},
                                         {"saturated", figures.saturated}, {"saturatedShare", figures.saturatedShare()}});
    }
    if (report.seconds) object["seconds"] = *report.seconds;
    return lineOf(object);
}

std::string jsonEventLine(const std::string& time, const std::string& status, const std::string& folder,
                          const std::string& message) {
    json object = json::object();
    object["time"] = time;
    object["status"] = status;
    putText(object, "folder", folder);
    putText(object, "message", message);
    return lineOf(object);
}

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

}  // namespace

std::string localTimestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto milliseconds = duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm local = localCalendarTime(seconds);
    // The offset is the local calendar time read as if it were UTC, less the moment itself.
    const std::int64_t localSeconds =
        daysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday)) *
            86400 +
        std::int64_t{local.tm_hour} * 3600 + std::int64_t{local.tm_min} * 60 + local.tm_sec;
    const std::int64_t offsetMinutes = (localSeconds - static_cast<std::int64_t>(seconds)) / 60;
    const std::int64_t offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(milliseconds),
                  offsetMinutes < 0 ? '-' : '+', static_cast<int>(offset / 60), static_cast<int>(offset % 60));
    return text;
}

}  // namespace quillane
