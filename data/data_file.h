#pragma once
// Text files of the panels: single-byte text (code page 1250), no header, no byte-order mark,
// lines separated by CR LF.
#include <string>
#include <string_view>

#include "data/line_store.h"

namespace readings {

// Lines of a file's bytes: everything up to the first NUL byte (or the end); a lone CR, a lone LF
// and a CR LF each end a line. FinalLineEnd() tells whether the bytes ended with a line end, so
// JoinTextLines gives the same bytes back for a CR LF text. Empty input gives no lines.
TLineStore SplitTextLines(std::string_view bytes);

// The panel's text, byte for byte: the lines joined by CR LF, and a CR LF after the last line
// when the store's FinalLineEnd() is set. No lines give no bytes.
std::string JoinTextLines(const TLineStore& lines);

// Reads a file into lines as SplitTextLines does. Throws EFileError when it cannot be read.
TLineStore LoadDataFile(const std::string& path);

// Writes JoinTextLines(lines) to `path`, replacing any file there, whole or not at all (a
// temporary file beside it is renamed over it). Throws EFileError; the old file then stays intact.
void SaveLinesFile(const std::string& path, const TLineStore& lines);

}  // namespace readings
