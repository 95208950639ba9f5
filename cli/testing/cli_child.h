#pragma once
// Test support: lorv304d-cli (the one built with the tests, LORV304D_CLI_PATH) as a child process
// with its output and errors in files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// Starts the tool with `args`. Its environment is this process's, with the "NAME=value" entries of
// `env` in place of those of the same name; standard input is /dev/null. Returns its PID.
inline pid_t StartCliChild(const std::vector<std::string>& args, std::vector<std::string> env,
                           const std::string& outPath, const std::string& errPath) {
    const auto replaced = [&](const std::string& entry) {
        for (const std::string& own : env)
            if (entry.rfind(own.substr(0, own.find('=') + 1), 0) == 0) return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!replaced(*e)) env.emplace_back(*e);
    std::vector<std::string> argv{LORV304D_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// Waits for the child to end: its exit status, 128 + the signal that ended it, or -1 once
// `limit` has passed (the child then still runs).
inline int WaitForCliChild(pid_t pid, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}
