// TForm1: "Raport PDF…", the PDF report of what the chart shows. The report proves where its
// readings come from, so it is made only from a source that holds exactly the panel's data: the
// archived recording (the report then enters the archive's audit trail), else the data file the
// panel was loaded from or written to whole (its name and SHA-256).
#include <QFile>
#include <algorithm>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "base/errors.h"
#include "base/version.h"
#include "data/data_file.h"
#include "report/report_document.h"
#include "report/report_source.h"

namespace {

// Whether a file's lines are the very lines the data panel shows.
bool SameLines(const TLineStore& file, const TLineStore& panel) {
    if (file.Count() != panel.Count() || file.ByteCount() != panel.ByteCount()) return false;
    for (std::size_t i = 0; i < file.Count(); ++i)
        if (file[i] != panel[i]) return false;
    return true;
}

}  // namespace

void TForm1::RaportPDF1Click() {
    if (Chart->Series1.Count() == 0 && Chart->Series2.Count() == 0) {
        ShowMessage(QStringLiteral("Brak odczytów do raportu."));
        return;
    }
    const std::optional<std::int64_t> recording = PanelRecording();
    if (!recording) {
        if (panelFile_.empty()) {
            ShowMessage(QStringLiteral("Odczyty nie pochodzą z pliku ani z archiwum. "
                                       "Zapisz je („Zapisz jako”), aby sporządzić raport."));
            return;
        }
        // A file changed since it was loaded would give a report of other data than those shown.
        if (!SameLines(readings::LoadDataFile(panelFile_), Memo2->Lines()))
            throw EFileError("Plik " + panelFile_ + " zmienił się od wczytania; wczytaj go ponownie");
    }

    ReportDialog1.FileName = QStringLiteral("*.pdf");
    if (!ExecuteFileDialog(Dialogs(), this, TFileDialogKind::Save, ReportDialog1)) return;
    const std::string path = QFile::encodeName(ReportDialog1.FileName).toStdString();

    readings::TStatisticsOptions range = ShownRange();
    if (recording && !shownRecording_) {
        // Downloads may fill the panel with only the latest part of their archived recording:
        // the report covers what the chart shows, not the earlier readings of the archive.
        double first = 0, last = 0, lo = 0, hi = 0;
        bool any = Chart->Series1.MinMaxX(first, last);
        if (Chart->Series2.MinMaxX(lo, hi)) {
            first = any ? std::min(first, lo) : lo;
            last = any ? std::max(last, hi) : hi;
            any = true;
        }
        if (any && !range.From) range.From = first;
        if (any && !range.To) range.To = last;
    }
    const TStatisticsChoice chosen = ChosenForStatistics();
    report::TReportRequest request;
    request.From = range.From;
    request.To = range.To;
    request.Profile = chosen.Profile;
    request.MktWindowSeconds = chosen.MktWindowSeconds;
    request.Program = std::string("lorv304d ") + ProjectVersion;
    if (recording)
        WriteArchivedReport(*recording, request, path);
    else
        report::WriteReportPdf(report::BuildFileReport(panelFile_, request), report::TLanguage::Polish, path);
}
