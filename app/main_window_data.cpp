// TForm1: the data panel, the communication panel and their files.
#include <QFile>
#include <filesystem>
#include <system_error>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "data/data_file.h"
#include "data/reading_parser.h"

namespace {

// A name from a file dialog as the operating system's path bytes.
std::string FilePath(const QString& name) { return QFile::encodeName(name).toStdString(); }

// The same made absolute, so that it names the same file after a change of the working folder.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace

// Writes the data panel's text, byte for byte, to the file chosen in SaveDialog1.
void TForm1::Zapiszjako1Click() {
    SaveDialog1.FileName = QStringLiteral("*.log");
    if (!ExecuteFileDialog(Dialogs(), this, TFileDialogKind::Save, SaveDialog1)) return;
    readings::SaveLinesFile(FilePath(SaveDialog1.FileName), Memo2->Lines());
    NotePanelFile(FilePath(SaveDialog1.FileName));
    Chart->SetDataFileName(SaveDialog1.FileName);
    RecordExport(SaveDialog1.FileName, "log", static_cast<std::int64_t>(Memo2->Lines().Count()));
}

// The same from the context menu of the data panel and the chart.
void TForm1::Zapisz2Click() { Zapiszjako1Click(); }

// Writes the communication panel to a file chosen in SaveDialog1, which proposes the name its
// last use left there.
void TForm1::Zapisz1Click() {
    if (!ExecuteFileDialog(Dialogs(), this, TFileDialogKind::Save, SaveDialog1)) return;
    readings::SaveLinesFile(FilePath(SaveDialog1.FileName), Memo1->Lines());
}

// Loads a file chosen in OpenDialog1 into the data panel in place of the data there and parses
// it. The old data is cleared only once the new file has been read: a cancelled dialog changes
// nothing, and a file that cannot be read is reported (EFileError) with the data kept.
void TForm1::Wczytajzpliku1Click() {
    OpenDialog1.FileName = QStringLiteral("*.log");
    if (!ExecuteFileDialog(Dialogs(), this, TFileDialogKind::Open, OpenDialog1)) return;
    TLineStore lines = readings::LoadDataFile(FilePath(OpenDialog1.FileName));
    ClearData();
    Memo2->SetStore(std::move(lines));
    Chart->SetDataFileName(OpenDialog1.FileName);
    ParseDataLines();
    NotePanelFile(FilePath(OpenDialog1.FileName));
}

// Empties the communication panel.
void TForm1::Kasuj1Click() { Memo1->Clear(); }

// Clears the data panel and both series and hides the chart.
void TForm1::Wyczy1Click() { ClearData(); }

// Shows or hides the data panel on the tab "Dane" as "Podgląd" (already toggled) is ticked. A
// hidden panel still takes lines and is still parsed and saved.
void TForm1::Podgld1Click() { Memo2->setHidden(!Podgld1->isChecked()); }

// Adds the points of every line of the data panel to both series (which keep themselves in X
// order), shows the chart and applies the zoom rule. Lines that are not reading lines give
// nothing; a line whose channel 1 does not convert gives no point at all.
void TForm1::ParseDataLines() {
    // Straight into the series rather than through an intermediate list of points: with a million
    // lines that list would cost as much memory again as the series.
    class TSeriesSink final : public readings::TReadingSink {
      public:
        TSeriesSink(TStepSeries& s1, TStepSeries& s2) : s1_(s1), s2_(s2) {}
        void AddChannel1(TDateTime x, double y) override { s1_.AddXY(x, y); }
        void AddChannel2(TDateTime x, double y) override { s2_.AddXY(x, y); }

      private:
        TStepSeries &s1_, &s2_;
    } sink(Chart->Series1, Chart->Series2);
    const TLineStore& lines = Memo2->Lines();
    // At most one point per line and series: room for them at once, no growing in steps.
    Chart->Series1.Reserve(Chart->Series1.Count() + lines.Count());
    Chart->Series2.Reserve(Chart->Series2.Count() + lines.Count());
    readings::ParseReadingLines(lines, LoggerFormat, sink);
    RefreshLimits();
    Chart->show();
    Chart->ChartZoom();
}

// Empties both series, hides the chart, empties the data panel and lets both axes scale
// automatically again.
void TForm1::ClearData() {
    Chart->ClearChart();
    Chart->Plot().ShowLimits({}, {});
    Memo2->Clear();
    shownRecording_.reset();
    archivedDownload_.reset();
    panelFile_.clear();
}

void TForm1::NotePanelFile(const std::string& path) { panelFile_ = AbsolutePath(path); }

void TForm1::ClearSeries() {
    Chart->Series1.Clear();
    Chart->Series2.Clear();
}
