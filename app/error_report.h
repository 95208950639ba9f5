#pragma once
// The general error report: the text shown for an error that ended a user action.
#include <string>
#include <string_view>

// The error text with "." added when the code of its last character is above that of "." (0x2E):
// after a letter, a digit, ":" or "?", but not after ".", "!" or a quote mark. An empty text stays
// empty. `what` is UTF-8; every byte of a multi-byte character is above 0x2E, as is the character.
std::string ErrorReportText(std::string_view what);
