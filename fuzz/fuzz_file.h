#pragma once
// A file for a fuzz target that reads and writes files: in a new folder of this process, on tmpfs
// where there is one (the program's whole-file writes flush to disk, which tmpfs skips), else in
// /tmp. The file and its folder are removed when the process exits.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline const char* FuzzFilePath(const char* fileName) {
    // Plain character arrays, so that they still exist when the exit handler runs.
    static char folder[256], path[512];
    if (path[0] == 0) {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::snprintf(folder, sizeof folder, "%s/lorv_fuzz_XXXXXX", base);
            if (mkdtemp(folder)) break;
            folder[0] = 0;
        }
        if (folder[0] == 0) std::abort();
        std::snprintf(path, sizeof path, "%s/%s", folder, fileName);
        std::atexit([] {
            ::unlink(path);
            ::rmdir(folder);
        });
    }
    return path;
}
