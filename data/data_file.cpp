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

// CR and LF bytes of a text, counted 64 bytes at a time: a fixed inner count lets the compiler
// use vector instructions, which makes this pass over a large file cheap next to the one that
// splits it.
struct TLineEndCount {
    std::size_t Crs = 0, Lfs = 0, Bytes = 0;

    void Add(std::string_view text) {
        const char* p = text.data();
        std::size_t i = 0;
        for (; i + 64 <= text.size(); i += 64) {
            unsigned char cr = 0, lf = 0;
            for (int j = 0; j < 64; ++j) {
                cr += p[i + j] == '\r';
                lf += p[i + j] == '\n';
            }
            Crs += cr;
            Lfs += lf;
        }
        for (; i < text.size(); ++i) {
            Crs += p[i] == '\r';
            Lfs += p[i] == '\n';
        }
        Bytes += text.size();
    }
};

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
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReadChunk);  // read() fills it

    // A first pass counts the line ends and the bytes, so the store is allocated once at its final
    // size instead of growing (ten million lines would otherwise hold two buffers for a moment).
    TLineEndCount count;
    ReadChunks(file.Get(), path, buffer.get(), [&](std::string_view chunk) {
        const std::size_t stop = std::min(chunk.find('\0'), chunk.size());
        count.Add(chunk.substr(0, stop));
        return stop == chunk.size();
    });

    TLineStore store;
    store.Reserve(std::max(count.Crs, count.Lfs) + 1, count.Bytes);
    TTextLineSplitter splitter(store);
    ReadChunks(file.Get(), path, buffer.get(), [&](std::string_view chunk) {
        splitter.Feed(chunk);
        return !splitter.Stopped();
    });
    store.SetFinalLineEnd(splitter.Finish());
    return store;
}

void SaveLinesFile(const std::string& path, const TLineStore& lines) {
    WriteFileAtomically(path, JoinTextLines(lines));
}

}  // namespace readings
