// Code page 1250 <-> UTF-8. Every byte string survives bytes -> UTF-8 -> bytes; any text (valid
// UTF-8 or not) converts to at most as many bytes, and converting the result back and forth again
// changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/cp1250.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (Utf8ToCp1250(Cp1250ToUtf8(input)) != input) std::abort();

    const std::string bytes = Utf8ToCp1250(input);
    if (bytes.size() > input.size()) std::abort();
    if (Utf8ToCp1250(Cp1250ToUtf8(bytes)) != bytes) std::abort();
    for (char c : bytes) {
        const char16_t u = Cp1250ToUnicode(static_cast<unsigned char>(c));
        if (UnicodeToCp1250(u) != static_cast<unsigned char>(c)) std::abort();
    }
    return 0;
}
