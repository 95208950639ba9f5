#include "data/reading_export.h"

#include <chrono>
#include <cstdlib>

#include "data/reading_line.h"
#include "data/reading_record.h"

namespace readings {
namespace {

// Digits written by hand: a million rows through snprintf would cost most of the export.
char* PutDigits(char* p, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

// "yyyy-mm-ddThh:nn:ss".
char* PutDateTime(char* p, const TDateParts& t) {
    p = PutDigits(p, t.Year, 4);
    *p++ = '-';
    p = PutDigits(p, t.Month, 2);
    *p++ = '-';
    p = PutDigits(p, t.Day, 2);
    *p++ = 'T';
    p = PutDigits(p, t.Hour, 2);
    *p++ = ':';
    p = PutDigits(p, t.Minute, 2);
    *p++ = ':';
    return PutDigits(p, t.Second, 2);
}

// "+hh:mm", or "+hh:mm:ss" for an offset with seconds.
char* PutOffset(char* p, std::int32_t offset) {
    *p++ = offset < 0 ? '-' : '+';
    const int magnitude = std::abs(offset);
    p = PutDigits(p, magnitude / 3600, 2);
    *p++ = ':';
    p = PutDigits(p, magnitude / 60 % 60, 2);
    if (magnitude % 60 != 0) {
        *p++ = ':';
        p = PutDigits(p, magnitude % 60, 2);
    }
    return p;
}

// The calendar parts of an instant given as seconds since 1970-01-01 00:00:00 UTC.
TDateParts UtcParts(std::int64_t seconds) {
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{days}}};
    TDateParts t;
    t.Year = static_cast<int>(ymd.year());
    t.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    t.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    t.Hour = static_cast<int>(rest / 3600);
    t.Minute = static_cast<int>(rest / 60 % 60);
    t.Second = static_cast<int>(rest % 60);
    return t;
}

std::string_view TrimBlanks(std::string_view field) {
    const std::size_t begin = field.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return field.substr(begin, field.find_last_not_of(' ') - begin + 1);
}

}  // namespace

TReadingExporter::TReadingExporter(TExportOptions options, LoggerFormat format) : options_(options), format_(format) {}

void TReadingExporter::AppendHeader(std::string& out) const {
    out += options_.Format == TExportFormat::Csv ? "time,t1_c,t2_c\r\n" : "time\tt1_c\tt2_c\n";
}

bool TReadingExporter::AppendLine(std::string_view line, std::string& out) {
    const TLineReading read = ReadReadingLine(line, format_, TReadingNeed::EitherChannel);
    const TReadingFields& fields = read.Fields;
    TReading reading;
    if (!ReadReading(read, reading)) {
        ++counts_.Skipped;
        return false;
    }
    const TDateParts local = DecodeDateTime(reading.Time);
    const std::int64_t localSeconds = LocalSecondsOf(local);
    const TLocalTimeOffset offset = zone_.OffsetOf(localSeconds);
    if (offset.Kind == TLocalTimeKind::Gap) ++counts_.InGap;
    if (offset.Kind == TLocalTimeKind::Fold) ++counts_.InFold;

    // 19 characters of date and time and at most 9 of offset.
    char time[32];
    char* p = time;
    if (options_.Utc) {
        p = PutDateTime(p, UtcParts(localSeconds - offset.OffsetSeconds));
        *p++ = 'Z';
    } else {
        p = PutOffset(PutDateTime(p, local), offset.OffsetSeconds);
    }
    const char separator = options_.Format == TExportFormat::Csv ? ',' : '\t';
    out.append(time, p);
    out += separator;
    if (HasValue(reading.Channel1)) out += TrimBlanks(fields.Channel1);
    out += separator;
    if (HasValue(reading.Channel2)) out += TrimBlanks(fields.Channel2);
    out += options_.Format == TExportFormat::Csv ? "\r\n" : "\n";
    ++counts_.Readings;
    return true;
}

std::string ExportReadings(const TLineStore& lines, const TExportOptions& options, TExportCounts* counts) {
    TReadingExporter exporter(options);
    std::string out;
    // About 45 bytes a row; one reservation instead of a growing string.
    out.reserve(32 + lines.Count() * 48);
    exporter.AppendHeader(out);
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = lines[i];
        exporter.AppendLine(line, out);
    }
    if (counts) *counts = exporter.Counts();
    return out;
}

}  // namespace readings
