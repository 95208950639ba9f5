#pragma once
// The full 19-character logger time "yyyy-mm-dd hh:nn:ss", also at midnight (where the logger's own
// text drops the time of day): the form of the archive's keys and columns, and of the tool's lists.
#include <cstdio>
#include <string>

#include "base/logger_format.h"

namespace archive {

inline std::string FullTimeText(TDateTime t) {
    const TDateParts p = DecodeDateTime(t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                  p.Second);
    return text;
}

}  // namespace archive
