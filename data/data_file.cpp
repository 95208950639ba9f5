#include "data/data_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/atomic_file.h"
#include "base/errors.h"

namespace readings {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;

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

// Reads the whole file in chunks, handing each to `take`; stops early when `take` returns false.
template <typename Take>
void ReadChunks(int fd, const std::string& path, char* buffer, Take take) {
    if (::lseek(fd, 0, SEEK_SET) < 0) Fail("Cannot read", path, errno);
    for (;;) {
        const ssize_t n = ::read(fd, buffer, kReadChunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", path, errno);
        }
        if (n == 0 || !take(std::string_view(buffer, static_cast<std::size_t>(n)))) return;
    }
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
            lines_.emplace_back(p, q);
        } else {
            partial_.append(p, q);
            lines_.push_back(std::move(partial_));
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
    lines_.push_back(std::move(partial_));
    partial_.clear();
    return false;
}

TLineStore SplitTextLines(std::string_view bytes) {
    std::vector<std::string> lines;
    TTextLineSplitter splitter(lines);
    splitter.Feed(bytes);
    const bool finalLineEnd = splitter.Finish();
    TLineStore store;
    store.Assign(std::move(lines), finalLineEnd);
    return store;
}

std::string JoinTextLines(const TLineStore& lines) {
    std::size_t total = 0;
    for (const std::string& line : lines.Lines()) total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        text += lines[i];
        if (i + 1 < lines.Count() || lines.FinalLineEnd()) text += "\r\n";
    }
    return text;
}

TLineStore LoadDataFile(const std::string& path) {
    const TFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) Fail("Cannot open", path, errno);
    const auto buffer = std::make_unique<char[]>(kReadChunk);

    // A first pass counts the line ends, so the line vector is allocated once at its final size
    // instead of growing (a million lines would otherwise hold two vectors for a moment).
    std::size_t crs = 0, lfs = 0;
    ReadChunks(file.Get(), path, buffer.get(), [&](std::string_view chunk) {
        const std::size_t stop = std::min(chunk.find('\0'), chunk.size());
        crs += static_cast<std::size_t>(std::count(chunk.begin(), chunk.begin() + stop, '\r'));
        lfs += static_cast<std::size_t>(std::count(chunk.begin(), chunk.begin() + stop, '\n'));
        return stop == chunk.size();
    });

    std::vector<std::string> lines;
    lines.reserve(std::max(crs, lfs) + 1);
    TTextLineSplitter splitter(lines);
    ReadChunks(file.Get(), path, buffer.get(), [&](std::string_view chunk) {
        splitter.Feed(chunk);
        return !splitter.Stopped();
    });
    const bool finalLineEnd = splitter.Finish();
    TLineStore store;
    store.Assign(std::move(lines), finalLineEnd);
    return store;
}

void SaveLinesFile(const std::string& path, const TLineStore& lines) {
    WriteFileAtomically(path, JoinTextLines(lines));
}

}  // namespace readings
