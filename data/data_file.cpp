#include "data/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/atomic_file.h"
#include "base/errors.h"

namespace readings {
namespace {

constexpr std::size_t kReadChunk = 1 << 18;

class TFileHandle {
  public:
    explicit TFileHandle(int fd) : fd_(fd) {}
    ~TFileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
    throw EFileError(std::string(what) + " " + path + ": " + std::strerror(err));
}

}  // namespace

void TTextLineSplitter::Feed(std::string_view bytes) {
    if (stopped_) return;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (const void* nul = std::memchr(p, '\0', bytes.size())) {
        end = static_cast<const char*>(nul);
        stopped_ = true;
    }
    if (pendingCr_ && p < end) {
        // A CR ended the previous piece: an LF right here belongs to it.
        pendingCr_ = false;
        if (*p == '\n') ++p;
    }
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n') ++q;
        if (q == end) {
            partial_.append(p, q);
            break;
        }
        if (partial_.empty()) {
            lines_.Append(std::string_view(p, static_cast<std::size_t>(q - p)));
        } else {
            partial_.append(p, q);
            lines_.Append(partial_);
            partial_.clear();
        }
        if (*q == '\n') {
            p = q + 1;
        } else if (q + 1 < end) {
            p = q + (q[1] == '\n' ? 2 : 1);
        } else {
            pendingCr_ = true;
            p = q + 1;
        }
    }
}

bool TTextLineSplitter::Finish() {
    pendingCr_ = false;
    if (partial_.empty()) return true;
    lines_.Append(partial_);
    partial_.clear();
    return false;
}

TLineStore SplitTextLines(std::string_view bytes) {
    TLineStore store;
    TTextLineSplitter splitter(store);
    splitter.Feed(bytes);
    store.SetFinalLineEnd(splitter.Finish());
    return store;
}

std::string JoinTextLines(const TLineStore& lines) {
    std::string text;
    text.reserve(lines.ByteCount() + 2 * lines.Count());
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        text += lines[i];
        if (i + 1 < lines.Count() || lines.FinalLineEnd()) text += "\r\n";
    }
    return text;
}

TLineStore LoadDataFile(const std::string& path) {
    const TFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) Fail("Cannot open", path, errno);
    // The file is read whole into the store's own buffer and cut into lines there: one copy of
    // its bytes, one allocation of them, and no pass that copies them line by line.
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) Fail("Cannot read", path, errno);
    TByteBuffer text;
    if (S_ISREG(info.st_mode)) text.Reserve(static_cast<std::size_t>(info.st_size));
    // Read through a small block that stays in the cache and copied on from there: the kernel then
    // never writes to fresh pages of the large one, whose first touch by the copy is cheaper.
    const auto chunk = std::make_unique_for_overwrite<char[]>(kReadChunk);  // read() fills it
    for (;;) {
        const ssize_t n = ::read(file.Get(), chunk.get(), kReadChunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path, errno);
        }
        if (n == 0) break;
        text.Append(std::string_view(chunk.get(), static_cast<std::size_t>(n)));
    }
    TLineStore store;
    store.AdoptText(std::move(text));
    return store;
}

void SaveLinesFile(const std::string& path, const TLineStore& lines) {
    WriteFileAtomically(path, JoinTextLines(lines));
}

}  // namespace readings
