// Reading lines and the panel parse. Any bytes, cut into lines as a loaded file is:
// - the time field's fast path agrees with LoggerFormat::TextToDateTime bit for bit, failures
//   included;
// - a temperature field converts exactly when it follows the rule and lies in the float range,
//   to the nearest float of its number (checked against the C library's conversion in the "C"
//   locale), and a rejected one leaves the value alone;
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

// The temperature rule, written out plainly: blanks, an optional sign, digits with an optional
// point (one digit at least), an optional exponent with digits, blanks.
bool FollowsTheRule(std::string_view f) {
    std::size_t p = 0;
    auto digits = [&] {
        const std::size_t from = p;
        while (p < f.size() && f[p] >= '0' && f[p] <= '9') ++p;
        return p - from;
    };
    while (p < f.size() && f[p] == ' ') ++p;
    if (p < f.size() && (f[p] == '+' || f[p] == '-')) ++p;
    std::size_t mantissa = digits();
    if (p < f.size() && f[p] == '.') {
        ++p;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (p < f.size() && (f[p] == 'e' || f[p] == 'E')) {
        ++p;
        if (p < f.size() && (f[p] == '+' || f[p] == '-')) ++p;
        if (digits() == 0) return false;
    }
    while (p < f.size() && f[p] == ' ') ++p;
    return p == f.size();
}

// A field converts exactly when it follows the rule and its number is within the float range;
// the value is then the nearest float (strtof rounds correctly, and gives 0 or the nearest
// subnormal below the range). A field that does not convert leaves the value alone.
void CheckTemperature(std::string_view field) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    double value = -777.25;
    const bool ok = readings::ParseTemperature(field, value);
    bool expectOk = FollowsTheRule(field);
    float expected = 0;
    if (expectOk) {
        const std::string text(field);
        expected = strtof_l(text.c_str(), nullptr, c);
        expectOk = std::isfinite(expected);
    }
    if (ok != expectOk) std::abort();
    if (!SameBits(value, ok ? static_cast<double>(expected) : -777.25)) std::abort();
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
