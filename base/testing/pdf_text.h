#pragma once
// Reading a PDF back as a reader would, for tests: its text by pdftotext, or any command's output.
#include <algorithm>
#include <cstdio>
#include <string>

// The standard output of the shell command `command`; empty when it cannot be run.
inline std::string ShellOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

// The text of the PDF at `path` in reading order with its lines joined by blanks, so that a
// wrapped sentence is found whole.
inline std::string PdfText(const std::string& path) {
    std::string text = ShellOutput("pdftotext -raw '" + path + "' -");
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}
