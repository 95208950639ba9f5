#pragma once
// Text files of the panels: single-byte text (code page 1250), no header, no byte-order mark,
// lines separated by CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "data/line_store.h"

namespace readings {

// Cuts bytes that arrive in pieces into lines: everything up to the first NUL byte; a lone CR, a
// lone LF and a CR LF each end a line (also when CR and LF arrive in different pieces).
class TTextLineSplitter {
  public:
    // The lines go to `lines` (appended) as they complete.
    explicit TTextLineSplitter(TLineStore& lines) : lines_(lines) {}
    void Feed(std::string_view bytes);
    // Takes the unfinished last line, if any. Returns whether the bytes ended with a line end
    // (true for no bytes at all).
    bool Finish();
    // Whether a NUL byte has been seen; nothing after it counts.
    bool Stopped() const { return stopped_; }

  private:
    TLineStore& lines_;
    std::string partial_;
    bool pendingCr_ = false;
    bool stopped_ = false;
};

// Lines of a file's bytes as TTextLineSplitter cuts them. FinalLineEnd() tells whether the bytes
// ended with a line end, so JoinTextLines gives the same bytes back for a CR LF text. Empty input
// gives no lines.
TLineStore SplitTextLines(std::string_view bytes);

// The panel's text, byte for byte: the lines joined by CR LF, and a CR LF after the last line
// when the store's FinalLineEnd() is set. No lines give no bytes.
std::string JoinTextLines(const TLineStore& lines);

// Reads a file into lines as SplitTextLines does, in pieces, so that a large file never sits in
// memory twice. Throws EFileError "Cannot open <path>: <reason>" or "Cannot read <path>:
// <reason>"; nothing else is touched then.
TLineStore LoadDataFile(const std::string& path);

// Writes JoinTextLines(lines) to `path`, replacing any file there, whole or not at all (a
// temporary file beside it is renamed over it). Throws EFileError; the old file then stays intact.
void SaveLinesFile(const std::string& path, const TLineStore& lines);

}  // namespace readings
