#include "app/error_report.h"

std::string ErrorReportText(std::string_view what) {
    std::string text(what);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}
