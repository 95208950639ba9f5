// TForm1: the readings of the data panel as a CSV file.
#include <QFile>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "base/atomic_file.h"
#include "data/reading_export.h"

namespace {

// What the export did, and a word on the times that the changes of the clocks make unclear.
QString ExportSummary(const readings::TExportCounts& counts) {
    QString text = QStringLiteral("Zapisane odczyty: %1\nPominięte linie: %2").arg(counts.Readings).arg(counts.Skipped);
    if (counts.InGap > 0) text += QStringLiteral("\nCzasy w luce zmiany czasu: %1").arg(counts.InGap);
    if (counts.InFold > 0) text += QStringLiteral("\nCzasy powtórzone przy zmianie czasu: %1").arg(counts.InFold);
    if (counts.InGap > 0 || counts.InFold > 0)
        text += QStringLiteral("\nZapisano je z przesunięciem UTC sprzed zmiany czasu.");
    return text;
}

}  // namespace

// Writes the readings of the data panel as CSV, with this computer's UTC offset at each time, to
// a file chosen in ExportDialog1, whole or not at all (a failure reaches the error report and
// leaves any old file as it was); then says how many readings went out and how many lines did not.
void TForm1::EksportCSV1Click() {
    if (!ExecuteFileDialog(Dialogs(), this, TFileDialogKind::Save, ExportDialog1)) return;
    readings::TExportCounts counts;
    const std::string csv = readings::ExportReadings(Memo2->Lines(), {}, &counts);
    WriteFileAtomically(QFile::encodeName(ExportDialog1.FileName).toStdString(), csv);
    RecordExport(ExportDialog1.FileName, "csv", counts.Readings);
    ShowMessage(ExportSummary(counts));
}
