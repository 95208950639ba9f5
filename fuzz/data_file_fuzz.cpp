// Data-file bytes. Any bytes load as lines that hold every byte before the first NUL except the
// line ends; the file loader, the splitter fed in pieces (cut where the input says) and the
// splitter fed at once agree; saving and loading again gives the same lines and the same final
// line end, and the saved bytes are the panel's text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/atomic_file.h"
#include "data/data_file.h"
#include "fuzz/fuzz_file.h"
#include "fuzz/fuzz_input.h"

namespace {

void CheckSame(const TLineStore& a, const TLineStore& b) {
    if (a.Count() != b.Count()) std::abort();
    for (std::size_t i = 0; i < a.Count(); ++i)
        if (a[i] != b[i]) std::abort();
    if (a.Count() > 0 && a.FinalLineEnd() != b.FinalLineEnd()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const uint16_t cut1 = in.Word(), cut2 = in.Word();
    const std::string bytes = in.Rest();
    const std::string_view view(bytes);

    const TLineStore whole = readings::SplitTextLines(view);
    const std::string_view kept = view.substr(0, std::min(view.find('\0'), view.size()));
    std::size_t textBytes = 0;
    for (char c : kept) textBytes += c != '\r' && c != '\n';
    std::size_t lineBytes = 0;
    for (std::size_t i = 0; i < whole.Count(); ++i) {
        if (whole[i].find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) std::abort();
        lineBytes += whole[i].size();
    }
    if (lineBytes != textBytes || lineBytes != whole.ByteCount()) std::abort();

    // In three pieces.
    const std::size_t a = std::min<std::size_t>(cut1, bytes.size()), b = std::min<std::size_t>(a + cut2, bytes.size());
    TLineStore pieces;
    readings::TTextLineSplitter splitter(pieces);
    splitter.Feed(view.substr(0, a));
    splitter.Feed(view.substr(a, b - a));
    splitter.Feed(view.substr(b));
    pieces.SetFinalLineEnd(splitter.Finish());
    CheckSame(whole, pieces);

    // From a file, and saved and loaded again.
    WriteFileAtomically(FuzzFilePath("data.log"), bytes);
    CheckSame(whole, readings::LoadDataFile(FuzzFilePath("data.log")));
    readings::SaveLinesFile(FuzzFilePath("data.log"), whole);
    if (ReadWholeFile(FuzzFilePath("data.log")) != readings::JoinTextLines(whole)) std::abort();
    CheckSame(whole, readings::LoadDataFile(FuzzFilePath("data.log")));
    return 0;
}
