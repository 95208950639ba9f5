// Logger time texts: text -> day count -> text. A text the conversion takes gives a day count
// whose text converts back to the same text and lies within the second the text names (by
// magnitude); a day
// count made of raw input bytes either has such a text or is refused with EConvertError (never a
// nonsense date, never undefined behaviour). The same holds for the time texts of the interval.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/errors.h"
#include "base/logger_format.h"
#include "fuzz/fuzz_input.h"

namespace {

const LoggerFormat kFormat;

// The text of a day count, and that it reads back to a value whose text is the same and which
// lies in the same second (the text drops the milliseconds).
void CheckDateTimeText(TDateTime value) {
    std::string text;
    try {
        text = kFormat.DateTimeToText(value);
    } catch (const EConvertError&) {
        return;
    }
    const TDateTime back = kFormat.TextToDateTime(text);  // must not throw
    if (kFormat.DateTimeToText(back) != text) std::abort();
    // Before day zero the time of day runs forward from the start of the day (-1.25 is
    // 1899-12-29 06:00), so the distance is taken between magnitudes.
    const double ms = (std::fabs(value) - std::fabs(back)) * 86400000.0;
    if (!(ms > -0.5 && ms < 1000.5)) std::abort();
}

void CheckTimeText(TDateTime value) {
    std::string text;
    try {
        text = kFormat.TimeToText(value);
    } catch (const EConvertError&) {
        return;
    }
    const TDateTime back = kFormat.TextToTime(text);
    if (kFormat.TimeToText(back) != text || text.size() != 8) std::abort();
}

// what() is a C string: a NUL in the text ends it there.
bool SameMessage(const std::exception& e, const std::string& expected) {
    return std::strcmp(e.what(), expected.c_str()) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    // A raw day count.
    double raw = 0;
    for (int i = 0; i < 8; ++i) reinterpret_cast<unsigned char*>(&raw)[i] = in.Byte();
    CheckDateTimeText(raw);
    CheckTimeText(raw);

    const std::string text = in.Rest();
    try {
        CheckDateTimeText(kFormat.TextToDateTime(text));
    } catch (const EConvertError& e) {
        if (!SameMessage(e, "'" + text + "' is not a valid date and time")) std::abort();
    }
    try {
        const TDateTime time = kFormat.TextToTime(text);
        if (!(time >= 0 && time < 1)) std::abort();
        CheckTimeText(time);
    } catch (const EConvertError& e) {
        if (!SameMessage(e, "'" + text + "' is not a valid time")) std::abort();
    }
    return 0;
}
