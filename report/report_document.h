#pragma once
// The report as a PDF/A-1b document on A4: the contents of a TReportModel laid out in Polish or
// English, fonts embedded, text selectable, the chart drawn as the window draws it (vector
// columns). Needs a QGuiApplication (no widgets, no display).
#include <string>

#include "report/report_model.h"

namespace report {

enum class TLanguage { Polish, English };

// The PDF's bytes.
std::string RenderReportPdf(const TReportModel& model, TLanguage language);

// Writes the PDF to `path` whole or not at all; returns the SHA-256 (hex) of the bytes written.
// Throws EFileError "Cannot write <path>: <reason>" when the target cannot be written.
std::string WriteReportPdf(const TReportModel& model, TLanguage language, const std::string& path);

// Registers the report's font, Cousine.TTF, from `fontFile` (ValueFontFileFor gives it; empty:
// the system's Cousine is used if it has one).
void RegisterReportFont(const std::string& fontFile);

}  // namespace report
