#include "app/WindowPlacement.h"

#include <algorithm>
#include <charconv>

namespace quillane {

WindowPlacement WindowPlacement::fittedTo(const WindowPlacement& area, int leastWidth, int leastHeight) const {
    WindowPlacement fitted = *this;
    fitted.width = std::max(std::min(width, area.width), leastWidth);
    fitted.height = std::max(std::min(height, area.height), leastHeight);
    fitted.left = std::max(std::min(left, area.left + area.width - fitted.width), area.left);
    fitted.top = std::max(std::min(top, area.top + area.height - fitted.height), area.top);
    return fitted;
}

std::string placementText(const WindowPlacement& placement) {
    return std::to_string(placement.left) + "," + std::to_string(placement.top) + "," + std::to_string(placement.width) + "," +
           std::to_string(placement.height) + (placement.maximized ? ",maximized" : "");
}

std::optional<WindowPlacement> parsePlacement(const std::string& text) {
    WindowPlacement placement;
    int* const fields[] = {&placement.left, &placement.top, &placement.width, &placement.height};
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) {
            if (at == end || *at != ',') return std::nullopt;
            ++at;
        }
        const auto [next, error] = std::from_chars(at, end, *fields[i]);
        if (error != std::errc()) return std::nullopt;
        at = next;
    }
    const std::string rest(at, end);
    if (rest == ",maximized") placement.maximized = true;
    else if (!rest.empty()) return std::nullopt;
    if (placement.width <= 0 || placement.height <= 0) return std::nullopt;
    return placement;
}

std::optional<WindowPlacement> readPlacement(SettingsStore& settings, const char* name) {
    return parsePlacement(settings.read(name));
}

void writePlacement(SettingsStore& settings, const char* name, const WindowPlacement& placement) {
    settings.write(name, placementText(placement));
}

}  // namespace quillane
