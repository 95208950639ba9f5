#pragma once
// Runs a piece of a test in a forked child without root's privileges, so that permission checks
// are real also when the tests run as root: a root process becomes "nobody" (uid and gid 65534, no
// supplementary groups) in the child; any other user stays as it is.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// The text `body` returns in the child, or a text beginning with "child failed" when the child
// could not be made or did not end normally. `body` must not use GoogleTest assertions (they would
// fail in the child only).
inline std::string RunInUnprivilegedChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "child failed: pipe";
    const pid_t pid = ::fork();
    if (pid < 0) return "child failed: fork";
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const std::string result = body();
        const char* p = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0) ::_exit(3);
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) result.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed: status " + std::to_string(status) + " after \"" + result + "\"";
    return result;
}
