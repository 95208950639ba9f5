#pragma once
// TForm1: the program's one window. It owns everything for the whole run: the serial port object,
// the port list, the values kept from the logger, the two text panels and the chart pane. Its
// handlers are split by concern: start-up, shutdown and layout in main_window.cpp; the chart in
// main_window_chart.cpp; the data panel and files in main_window_data.cpp; the logger in
// main_window_logger.cpp; the CSV export in main_window_export.cpp; the statistics in
// main_window_statistics.cpp; the archive in main_window_archive.cpp; the PDF report in
// main_window_report.cpp.
//
// Every handler connected to a control runs through one guard: an error (std::exception) that
// escapes it ends that action and is shown by ShowErrorReport; the program goes on.
#include <QFont>
#include <QMainWindow>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "archive/recording.h"
#include "base/logger_format.h"
#include "chart/logger_chart.h"
#include "data/alarm_profile.h"
#include "data/reading_statistics.h"
#include "logger/logger_host.h"
#include "logger/logger_session.h"

class QAction;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;
class TAlignPanel;
class TArchiveDialog;
class TDownloadArchiving;
class TMaskEdit;
class TMemoView;
class TSerialPort;
class TStatisticsDialog;
namespace report {
struct TReportRequest;
}

class TForm1 : public QMainWindow, public TLoggerHost {
    Q_OBJECT
  public:
    // The application title and window caption.
    static constexpr const char* AppTitle = "Lorv304D";

    // What the window takes from outside; the defaults are the real program's.
    struct TEnvironment {
        // Path of the executable; the settings file and the value font are found from it
        // (SettingsLocationFor, ValueFontFileFor). Empty: this process's executable.
        std::string ExecutablePath;
        // Message boxes and dialogs. Null: the desktop's own (TQtDialogs).
        std::shared_ptr<TDialogs> Dialogs;
    };

    // Builds every control and menu, then runs FormCreate.
    explicit TForm1(TEnvironment environment = {}, QWidget* parent = nullptr);
    // Runs FormDestroy.
    ~TForm1() override;

    // ---- the window's life ----
    void FormCreate();
    // Saves the placement, posts "d!", closes the port. An unwritable settings file is reported by
    // the error report and closing goes on.
    void FormClose();
    void FormDestroy();
    // Margins (8, 5, 8, 2 pixels) and a tab stop every 15 dialog units for both panels; empties them.
    void SetupMemos();
    void Wersjaprogramu1Click();

    // The general error report: a message box with ErrorReportText(what), the application title
    // as caption, the error icon and OK. `what` is UTF-8.
    void ShowErrorReport(const std::string& what);
    // Runs `action`; an error escaping it goes to ShowErrorReport. Returns whether it finished.
    template <class F>
    bool Guarded(F&& action) noexcept;
    // A plain message box without icon, the application title as caption, OK.
    void ShowMessage(const QString& text);

    // ---- command exchange (one-line forwards to the logger layer) ----
    std::string SendCommand(const std::string& command);
    void PostCommand(const std::string& command);

    // ---- logger handlers (main_window_logger.cpp) ----
    void btConnectClick();
    void btReadCfgClick();
    void btWriteCfgClick();
    void btNewClick();
    void mePeriodExit();
    void Timer2Timer();
    void Button1Click();
    void sbReadClick();

    // ---- data handlers (main_window_data.cpp) ----
    void Zapiszjako1Click();
    void Zapisz2Click();
    void Zapisz1Click();
    void Wczytajzpliku1Click();
    void Kasuj1Click();
    void Wyczy1Click();
    void Podgld1Click();
    void ParseDataLines();
    void ClearData();
    // Notes that the data panel's lines are exactly those of the data file at `path` now.
    void NotePanelFile(const std::string& path);
    // Empties both series; the chart stays as shown and the axes as they are (a download parses
    // the whole panel again after each run).
    void ClearSeries();

    // ---- export and statistics (main_window_export.cpp, main_window_statistics.cpp) ----
    void EksportCSV1Click();
    void Statystyka1Click();
    // The time range the chart shows: open ends while the time axis scales automatically.
    readings::TStatisticsOptions ShownRange() const;
    // The profile and rolling MKT window last chosen for the statistics (kept in the settings file).
    struct TStatisticsChoice {
        readings::TAlarmProfile Profile;
        std::optional<std::int64_t> MktWindowSeconds;
    };
    TStatisticsChoice ChosenForStatistics() const;

    // ---- the PDF report (main_window_report.cpp) ----
    // "Raport PDF…": the report of the range the chart shows with the statistics' profile and MKT
    // window, saved where ReportDialog1 says. Its source is what the data panel holds: the archived
    // recording (opened from the archive, or downloads that all went into it), else the data file
    // the panel was loaded from or last written to whole.
    void RaportPDF1Click();

    // ---- archive (main_window_archive.cpp) ----
    // "Archiwum…": the recordings of the archive in ArchiveDialog.
    void Archiwum1Click();
    // Loads a recording of the archive into the data panel and the chart as a file is loaded
    // (ClearData, its lines in index order, ParseDataLines).
    void OpenArchivedRecording(const archive::TRecordingSummary& recording);

    // ---- chart handlers (main_window_chart.cpp) ----
    void mnDotsClick();
    void mnTempClick();
    void mnHumClick();
    void Drukuj1Click();
    // "Limity" (already toggled): keeps the check in the settings file and shows or removes the
    // limits on the chart.
    void Limity1Click();
    // While "Limity" is ticked, draws each limit of the profile chosen for the statistics (kept in
    // the settings file) as a line across the chart and shades the excursions of all the chart's
    // readings; otherwise removes them (main_window_statistics.cpp).
    void RefreshLimits();

    // ---- TLoggerHost ----
    void AppendCommLog(const std::string& line) override;        // -> Memo1
    void ProcessEvents() override;                               // QCoreApplication::processEvents
    bool DownloadWanted() override;                              // sbRead is down and the window open
    void ReadingStored(const std::string& line) override;        // -> Memo2
    void ProbeStarting(const std::string& portName) override;    // the port name in stBar
    void ProbeFailed(const TProbeResult& probe) override;        // RefreshMarkers
    void ChunkDone(const TDownloadProgress& progress) override;  // Edit1 and "<n>%" in stBar
    // Each chunk of a download into the archive (main_window_archive.cpp).
    void ChunkStored(const std::vector<TStoredReading>& readings) override;

    void SetStatusText(const std::string& utf8);   // -> stBar
    void AppendDataLine(const std::string& line);  // -> Memo2
    void RefreshMarkers();                         // main_window_chart.cpp
    // Shows the values a status read brought in their fields (main_window_logger.cpp); an answer
    // that did not convert is then thrown as the error that ended the read.
    void ShowLoggerStatus(const TLoggerStatus& status);

    // ---- sizes ----
    // A length of the layout, given in pixels at 120 pixels per inch, for this screen.
    int Scaled(int pixelsAt120Ppi) const;
    const std::string& SettingsFile() const { return settingsFile_; }
    TDialogs& Dialogs() { return *dialogs_; }
    TSerialPort& SerialPort() { return *serialPort_; }

    // ---- controls ----
    TAlignPanel* Panel1 = nullptr;  // fills the client area
    TAlignPanel* Panel2 = nullptr;  // right-hand column, 450 wide
    QWidget* Panel6 = nullptr;      // divider, 5 wide
    QWidget* ChartPane = nullptr;   // the left area that holds the chart
    TLoggerChart* Chart = nullptr;  // the chart (hidden at start), context menu PopupMenu2

    QGroupBox* GroupBox2 = nullptr;  // logger status
    QLabel* Label1 = nullptr;        // "Typ:"
    QLineEdit* eDev = nullptr;
    QLabel* Label2 = nullptr;  // "VBat:"
    QLineEdit* eVBat = nullptr;
    QLabel* Label3 = nullptr;  // "Czas:"
    TMaskEdit* meDT = nullptr;
    QPushButton* btConnect = nullptr;
    QPushButton* Button1 = nullptr;

    QGroupBox* GroupBox1 = nullptr;  // " Ustawienia "
    QLabel* Label4 = nullptr;        // "Interwal:"
    TMaskEdit* mePeriod = nullptr;
    QLabel* Label5 = nullptr;  // "Start:"
    TMaskEdit* meStart = nullptr;
    QLabel* Label6 = nullptr;  // "Stop:"
    TMaskEdit* meStop = nullptr;
    QPushButton* btReadCfg = nullptr;
    QPushButton* btNew = nullptr;
    QPushButton* btWriteCfg = nullptr;

    QGroupBox* boxRead = nullptr;  // " Zakres odczytu  "
    QLabel* Label7 = nullptr;      // "Od:"
    TMaskEdit* meRdStart = nullptr;
    QLabel* Label8 = nullptr;  // "Do:"
    TMaskEdit* meRdStop = nullptr;
    QPushButton* sbRead = nullptr;  // toggle: checked while down
    QLineEdit* Edit1 = nullptr;     // hidden, first index of the download
    QLineEdit* Edit2 = nullptr;     // hidden, end index of the download

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;  // "Komunikacja"
    QWidget* TabSheet2 = nullptr;  // "Dane"
    TMemoView* Memo1 = nullptr;    // communication log
    TMemoView* Memo2 = nullptr;    // data panel
    QLabel* stBar = nullptr;       // status line

    QMenu* mnData = nullptr;  // "&Dane"
    QAction* Zapiszjako1 = nullptr;
    QAction* Wczytajzpliku1 = nullptr;
    QAction* EksportCSV1 = nullptr;  // "&Eksport CSV…"
    QAction* Archiwum1 = nullptr;    // "&Archiwum…"
    QAction* RaportPDF1 = nullptr;   // "&Raport PDF…"
    QAction* Podgld1 = nullptr;
    QMenu* mnChart = nullptr;  // "Wykres"
    QAction* mnDots = nullptr;
    QAction* mnTemp = nullptr;
    QAction* mnHum = nullptr;
    QAction* Druku1 = nullptr;
    QAction* Statystyka1 = nullptr;  // "Statystyka…"
    QAction* Limity1 = nullptr;      // "Limity": check item, kept in the settings file
    QMenu* mnInfo = nullptr;         // "&Informacje"
    QAction* Wersjaprogramu1 = nullptr;

    QMenu* PopupMenu1 = nullptr;  // on Memo1
    QAction* Zapisz1 = nullptr;
    QAction* Kasuj1 = nullptr;
    QMenu* PopupMenu2 = nullptr;  // on Memo2 and the chart
    QAction* Zapisz2 = nullptr;
    QAction* Wyczy1 = nullptr;

    QTimer* Timer2 = nullptr;  // 1000 ms, off at start
    TFileDialog SaveDialog1;
    TFileDialog OpenDialog1;
    TFileDialog ExportDialog1;                      // "*.csv", default extension "csv"
    TFileDialog ReportDialog1;                      // "*.pdf", default extension "pdf"
    TStatisticsDialog* StatisticsDialog = nullptr;  // made at its first use
    TArchiveDialog* ArchiveDialog = nullptr;        // made at its first use

    // ---- state kept from the logger ----
    ::LoggerFormat LoggerFormat;

  private:
    // Made with the window, before the session that holds it; freed only with the window, so a
    // download suspended in an event pump never sees it go.
    std::unique_ptr<TSerialPort> serialPort_;

  public:
    // The conversation with the logger and the one holder of the values kept from it.
    TLoggerSession Session;
    // The session's values under the window's names.
    bool& Connected = Session.Connected;
    TDateTime& LoggerClock = Session.LoggerClock;  // the last "T?" answer; the display runs on from it
    TDateTime& RecStart = Session.RecStart;
    TDateTime& RecStop = Session.RecStop;
    // From the settings file "Rejestracja"/"Interwal" at start (zero if unreadable), then "I?".
    TDateTime& RecInterval = Session.RecInterval;
    std::int64_t& RecIntervalSeconds = Session.RecIntervalSeconds;
    std::vector<std::string>& PortList = Session.PortList;   // "valueName:portName" entries of the last search
    std::string& LastReadingLine = Session.LastReadingLine;  // the last line a download stored

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The settings file's key of the "Limity" check, in the chart's section "Wykres".
    static constexpr const char* ChartSection = "Wykres";
    static constexpr const char* LimitsKey = "Limity";

    // The fonts and colours the groups of controls share.
    struct TControlLook {
        QPalette Group;  // grey labels and group captions
        QPalette Field;  // black field text
        QFont Value;     // the fixed-width font of values and panels
    };
    void BuildControls();
    // Sets the window's font and colours and returns those of the groups.
    TControlLook SetWindowLook();
    void BuildPanels();
    void BuildStatusGroup(const TControlLook& look);
    void BuildSettingsGroup(const TControlLook& look);
    void BuildReadGroup(const TControlLook& look);
    void BuildTextPanels(const TControlLook& look);
    void StyleField(QLineEdit* field, const TControlLook& look);
    void SetTabOrder();
    void BuildMenus();
    void ConnectHandlers();
    // Connects the chart to the menu "Wykres", PopupMenu2 and the print dialog of Dialogs().
    void SetupChart();
    // Connects a signal to a handler through Guarded.
    template <class Sender, class Signal>
    void OnSignal(Sender* sender, Signal signal, void (TForm1::*handler)());
    QLabel* AddLabel(QWidget* group, const QString& caption, int row0, int row, QWidget* buddy);
    void PlaceField(QWidget* field, int row0, int row);
    void PlaceButton(QWidget* button, int row0, int row);

    // The archive's side of the logger's handlers (main_window_archive.cpp).
    struct TEraseCheck {
        std::optional<archive::TRecordingKey> Recording;  // known from the last settings read
        std::optional<std::int64_t> Held;                 // readings the logger holds by now
        std::int64_t Unarchived = 0;                      // of those, readings the archive lacks
    };
    void NoteConnection(const TSearchResult& search);
    void NoteLoggerSettings(const TLoggerStatus& status);
    std::optional<archive::TRecordingKey> KnownRecording() const;
    std::unique_ptr<TDownloadArchiving> StartArchiving(const TDownloadRange& range);
    TDownloadReport DownloadArchived(const TDownloadRange& range, TDownloadArchiving& archiving);
    // Records the download's end; returns what was not archived and why (empty: all was).
    std::string FinishArchiving(TDownloadArchiving& archiving, const TDownloadReport& report);
    // Before an erase: asks whether to erase readings the archive lacks. False: the user said No.
    bool ConfirmEraseOfUnarchived(TEraseCheck& check);
    void RecordErase(const TEraseCheck& check);
    // After "Start rejestracji"; `clockSet` is the computer's time sent with "T!".
    void RecordRecordingStarted(TDateTime clockSet);
    // After the data panel was written to `file`, when it holds a recording of the archive.
    void RecordExport(const QString& file, const char* format, std::int64_t readings);
    // The archived recording the data panel holds: the one opened from the archive, or that of
    // downloads which all went into the archive (looked up there). Empty: none. An archive that
    // cannot be read throws std::runtime_error with the window's words for it.
    std::optional<std::int64_t> PanelRecording();
    // Writes the report of recording `id` to `path` and enters it in the archive's audit trail.
    // An archive that cannot be used is told by the error report.
    void WriteArchivedReport(std::int64_t id, const report::TReportRequest& request, const std::string& path);

    std::optional<TLoggerStatus> settingsRead_;   // the last settings read since connecting
    std::string connectedPort_;                   // the port the logger answered on
    TDownloadArchiving* archiving_ = nullptr;     // the running download's archiving
    std::optional<std::int64_t> shownRecording_;  // the archived recording the data panel shows
    // The recording whose downloads fill the data panel, while every one of them went wholly into
    // the archive.
    std::optional<archive::TRecordingKey> archivedDownload_;
    // The data file that holds exactly the data panel's lines (loaded, or written whole); empty: none.
    std::string panelFile_;

    std::shared_ptr<TDialogs> dialogs_;
    std::string executablePath_;
    std::string settingsFile_;
    int fontId_ = -1;      // registration of "Cousine.TTF"; -1 when it failed
    bool closed_ = false;  // FormClose has run
    double scale_ = 1.0;   // screen pixels per pixel at 120 pixels per inch
};

template <class F>
bool TForm1::Guarded(F&& action) noexcept {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        ShowErrorReport(e.what());
    } catch (...) {
        ShowErrorReport("Unknown error");
    }
    return false;
}
