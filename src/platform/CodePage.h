#pragma once

namespace quillane {

// Whether `byte` starts a two-byte character in the system's 8-bit code page, so that the byte
// after it is never read as a separator or a dot. Only Windows' double-byte code pages have
// such bytes; elsewhere paths are taken byte by byte.
bool isLeadByte(unsigned char byte);

}  // namespace quillane
