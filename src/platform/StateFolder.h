#pragma once

#include <string>

namespace quillane {

// Where this user's programs keep what they must remember between runs but is no setting:
// $XDG_STATE_HOME (or ~/.local/state) on POSIX systems, %LOCALAPPDATA% on Windows, with the
// program's own folder below it, made when missing. Throws std::runtime_error when there is none.
std::string programStateFolder();

// Adds `text` at the end of the file (made when missing) and has it on the disk before
// returning, so that a power cut after the call keeps it. Throws std::runtime_error saying why.
void appendDurably(const std::string& path, const std::string& text);
// The same, for lines that may be lost in a power cut (a log): the system writes them when it
// likes. Nothing is thrown; a log that cannot be written is no reason to stop.
void appendQuietly(const std::string& path, const std::string& text) noexcept;

}  // namespace quillane
