#pragma once
// Files for tests: every byte of a file (empty while it does not exist, unlike ReadWholeFile of
// base/atomic_file.h, which throws), or a file written with exactly the given bytes.
#include <fstream>
#include <sstream>
#include <string>

// The bytes of the file at `path`; empty when it cannot be read.
inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Replaces the file at `path` by `bytes`.
inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
