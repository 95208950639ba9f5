#pragma once
// Reading lines for the data benchmarks: one a minute from 2017-03-05 00:00:00, two channels.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/line_store.h"

inline std::string BenchReadingLine(long i) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    long minutes = i;
    int day = 5 + static_cast<int>(minutes / 1440), month = 3, year = 2017;
    while (day > kDays[month - 1]) {
        day -= kDays[month - 1];
        if (++month > 12) month = 1, ++year;
    }
    minutes %= 1440;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02ld:%02ld:00%8.1f%8.1f", year, month, day, minutes / 60,
                  minutes % 60, 15.0 + (i % 200) * 0.1, -5.0 + (i % 77) * 0.5);
    return text;
}

inline std::vector<std::string> BenchReadingLines(long count) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) lines.push_back(BenchReadingLine(i));
    return lines;
}

// A million of them, made once per benchmark program.
inline const TLineStore& BenchMillionLines() {
    static const TLineStore store = [] {
        TLineStore s;
        s.Assign(BenchReadingLines(1000000));
        return s;
    }();
    return store;
}

// A path in the temporary folder named after `name` and this process.
inline std::string BenchTempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(::getpid()))).string();
}
