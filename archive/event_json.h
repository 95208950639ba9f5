#pragma once
// The details of an event and a download report as the JSON text the events table holds. Keys
// are sorted and the text is ASCII (JSON escapes), so the same details always give the same bytes.
// Reading lines, whose bytes need not be UTF-8, are held with each byte as the code point of the
// same number (U+0000 to U+00FF).
#include <string>
#include <string_view>

#include "archive/archive_event.h"

namespace archive {

std::string DetailsJson(const TEventDetails& details);
// Throws EArchiveError (Damaged) when the text is not details of `kind`.
TEventDetails DetailsFromJson(TEventKind kind, std::string_view json);
// The kind of a stored name; false for a name not known.
bool EventKindFromName(std::string_view name, TEventKind& kind);

// Bytes as code points U+0000..U+00FF in UTF-8, and back ('?' for a code point above U+00FF).
std::string BytesToUtf8(std::string_view bytes);
std::string Utf8ToBytes(std::string_view utf8);

}  // namespace archive
