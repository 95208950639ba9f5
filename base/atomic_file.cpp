#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/errors.h"

namespace {

std::string OsText(int err) { return std::strerror(err); }

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a path names once symbolic links in its last part are followed (a missing target is
// the file to create). Writing goes there: a rename over the link itself would replace the link by
// a plain file and leave the linked file as it was. Returns false with errno set on failure.
bool FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        if (hops == 40) {
            errno = ELOOP;
            return false;
        }
        std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) >= buf.size()) {
            // The link changed under us; read it again next time round.
            continue;
        }
        const std::string link(buf.data(), static_cast<std::size_t>(n));
        target = !link.empty() && link[0] == '/' ? link : DirectoryOf(target) + "/" + link;
    }
}

}  // namespace

void WriteFileAtomically(const std::string& requested, std::string_view bytes) {
    auto fail = [&](int err) { throw EFileError("Cannot write " + requested + ": " + OsText(err)); };
    if (requested.empty()) fail(ENOENT);
    std::string path;
    if (!FollowLinks(requested, path)) fail(errno);

    // A file the user cannot write stays as it is, even where the folder would let us replace it.
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) fail(EISDIR);
    if (exists && ::access(path.c_str(), W_OK) != 0) fail(errno);

    std::string tmpl = path + ".tmpXXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) fail(errno);
    const std::string tmp(name.data());

    auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        fail(err);
    };
    // mkstemp makes 0600; keep the old file's mode, or the usual mode of a new file.
    mode_t mode = 0666;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0) abandon(errno);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        fail(err);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        fail(err);
    }
    // Make the rename itself durable; a failure here leaves a complete file, so it is not reported.
    const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EFileError("Cannot open " + path + ": " + OsText(errno));
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            throw EFileError("Cannot open " + path + ": " + OsText(EISDIR));
        }
        if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw EFileError("Cannot read " + path + ": " + OsText(err));
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}
