#pragma once
// Writing a whole file or nothing: the bytes go to a temporary file beside the target, which is
// flushed to disk and then renamed over the target. A failure at any step leaves the old file
// (if any) untouched and removes the temporary file.
#include <string>
#include <string_view>

// A path that is a symbolic link writes the file it links to (the link stays a link).
// Throws EFileError "Cannot write <path>: <OS reason>" on failure.
void WriteFileAtomically(const std::string& path, std::string_view bytes);
// Reads a whole file. Throws EFileError "Cannot open <path>: <OS reason>" on failure.
std::string ReadWholeFile(const std::string& path);
