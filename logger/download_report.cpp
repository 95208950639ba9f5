#include "logger/download_report.h"

std::string IndexListText(const std::vector<std::int64_t>& indices, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < indices.size() && i < most; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(indices[i]);
    }
    if (indices.size() > most) text += " and " + std::to_string(indices.size() - most) + " more";
    return text;
}
