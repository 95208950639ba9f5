// Reading lines and the panel parse. Any bytes, cut into lines as a loaded file is:
// - the time field's fast path agrees with LoggerFormat::TextToDateTime bit for bit, failures
//   included;
// - an accepted temperature field is exactly the nearest float of its number (checked against
//   the C library's conversion in the "C" locale), and a rejected one leaves the value alone;
// - the parse gives at most one point per line and series, a channel 2 point only with its
//   channel 1 point, both series in ascending time.
#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/errors.h"
#include "base/logger_format.h"
#include "data/data_file.h"
#include "data/reading_line.h"
#include "data/reading_parser.h"

namespace {

const LoggerFormat kFormat;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckTime(std::string_view field) {
    TDateTime fast = 12345.5;
    const bool fastOk = readings::ParseReadingTime(field, kFormat, fast);
    bool slowOk = true;
    TDateTime slow = 0;
    try {
        slow = kFormat.TextToDateTime(field);
    } catch (const EConvertError&) {
        slowOk = false;
    }
    if (fastOk != slowOk) std::abort();
    if (fastOk && !SameBits(fast, slow)) std::abort();
    if (!fastOk && !SameBits(fast, 12345.5)) std::abort();
}

void CheckTemperature(std::string_view field) {
    double value = -777.25;
    const bool ok = readings::ParseTemperature(field, value);
    if (!ok) {
        if (!SameBits(value, -777.25)) std::abort();
        return;
    }
    // The nearest float of the text's number: strtof rounds correctly and gives 0 (or the
    // nearest subnormal) below the float range.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::string text(field);
    const float expected = strtof_l(text.c_str(), nullptr, c);
    if (!std::isfinite(expected) || !SameBits(value, static_cast<double>(expected))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const TLineStore lines = readings::SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const readings::TReadingFields f = readings::SplitReadingLine(lines[i]);
        CheckTime(f.Time);
        CheckTemperature(f.Channel1);
        CheckTemperature(f.Channel2);
        // The whole line as one field too: longer and stranger texts than the fixed cuts give.
        CheckTime(lines[i]);
        CheckTemperature(lines[i]);
    }

    const readings::TParsedReadings parsed = readings::ParseReadingLines(lines);
    if (parsed.Series1.size() > lines.Count() || parsed.Series2.size() > parsed.Series1.size()) std::abort();
    for (const auto* series : {&parsed.Series1, &parsed.Series2}) {
        for (std::size_t i = 1; i < series->size(); ++i) {
            if ((*series)[i].X < (*series)[i - 1].X) std::abort();
        }
    }
    return 0;
}
