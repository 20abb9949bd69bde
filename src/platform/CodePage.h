#pragma once

#include <string>

namespace quillane {

// Whether `byte` starts a two-byte character in the system's 8-bit code page, so that the byte
// after it is never read as a separator or a dot. Only Windows' double-byte code pages have
// such bytes; elsewhere paths are taken byte by byte.
bool isLeadByte(unsigned char byte);

// Has a console this program writes to show its 8-bit text in the code page the program runs
// with (UTF-8 by its manifest on Windows), not in the console's own, until the program ends;
// the console is given its own back then. Output into files and pipes is unchanged: those get
// the program's bytes. Nothing to do where text is bytes (POSIX).
void showProgramTextOnConsole();

// A text in the program's code page as Windows' wide calls take it (Windows only).
std::wstring wideText(const std::string& text);

}  // namespace quillane
