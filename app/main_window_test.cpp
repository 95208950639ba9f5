#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "app/align_panel.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "base/errors.h"
#include "base/logger_format.h"
#include "base/testing/file_bytes.h"
#include "serial/serial_port.h"

namespace {

// A window whose settings file lies in a fresh directory of the test's own.
class Form1Test : public ::testing::Test {
  protected:
    std::string ExePath() const { return dir.path().toStdString() + "/lorv304d"; }
    std::string IniPath() const { return ExePath() + ".INI"; }
    void WriteIni(const std::string& text) const { WriteFileBytes(IniPath(), text); }
    std::string ReadIni() const {
        std::string text = ReadFileBytes(IniPath());
        std::erase(text, '\r');  // line ends are the profile file's affair
        return text;
    }
    void Create(std::string exePath = {}) {
        form = std::make_unique<TForm1>(TForm1::TEnvironment{exePath.empty() ? ExePath() : exePath, dialogs});
    }
    std::string LastLogLine() const {
        const TLineStore& lines = form->Memo1->Lines();
        return lines.Empty() ? std::string("<empty>") : std::string(lines[lines.Count() - 1]);
    }

    QTemporaryDir dir;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
};

TEST_F(Form1Test, FirstStartWithoutSettingsFile) {
    Create();
    EXPECT_EQ(IniPath(), form->SettingsFile());
    EXPECT_EQ(QPoint(100, 100), form->pos());
    EXPECT_EQ(QSize(800, 340), form->size());
    EXPECT_DOUBLE_EQ(EncodeTime(0, 1, 0), form->RecInterval);
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_EQ("Lorv304D", form->windowTitle().toStdString());

    // Nothing read from a logger yet.
    EXPECT_FALSE(form->Connected);
    EXPECT_FALSE(form->SerialPort().IsOpen());
    EXPECT_TRUE(form->Chart->isHidden());
    EXPECT_EQ("", form->eDev->text().toStdString());
    EXPECT_EQ("---", form->eVBat->text().toStdString());
    for (TMaskEdit* field : {form->meDT, form->meStart, form->meStop, form->meRdStart, form->meRdStop})
        EXPECT_EQ("    -  -     :  :  ", field->text().toStdString()) << field->objectName().toStdString();
    EXPECT_EQ("  :  :  ", form->mePeriod->text().toStdString());
    EXPECT_EQ("0", form->Edit1->text().toStdString());
    EXPECT_TRUE(form->Edit1->isHidden() && form->Edit2->isHidden() && form->Button1->isHidden());
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(1000, form->Timer2->interval());
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_EQ(0, form->PageControl1->currentIndex());
    EXPECT_TRUE(form->Memo1->Lines().Empty());

    // The value fields are set in Cousine (the system's here: none lies beside this executable).
    EXPECT_EQ("Cousine", QFontInfo(form->eVBat->font()).family().toStdString());

    EXPECT_TRUE(form->close());
    EXPECT_EQ("[Form]\nTop=100\nLeft=100\nHeight=340\nWidth=800\n", ReadIni());
    EXPECT_EQ("d!", LastLogLine());
}

struct TSettingsCase {
    const char* Name;
    const char* Ini;
    QRect Geometry;   // left, top, width, height
    double Interval;  // RecInterval
    bool IniMessage;  // "Niepoprawny format w pliku ini" shown
};

std::ostream& operator<<(std::ostream& os, const TSettingsCase& row) { return os << row.Name; }

class Form1Settings : public Form1Test, public ::testing::WithParamInterface<TSettingsCase> {};

TEST_P(Form1Settings, StartUpReadsTheSettingsFile) {
    WriteIni(GetParam().Ini);
    Create();
    EXPECT_EQ(GetParam().Geometry, QRect(form->pos(), form->size()));
    EXPECT_DOUBLE_EQ(GetParam().Interval, form->RecInterval);
    if (GetParam().IniMessage) {
        ASSERT_EQ(1u, dialogs->Messages.size());
        EXPECT_EQ("Niepoprawny format w pliku ini", dialogs->Messages[0].Text.toStdString());
        EXPECT_EQ("Lorv304D", dialogs->Messages[0].Caption.toStdString());
        EXPECT_EQ(TMessageIcon::None, dialogs->Messages[0].Icon);
    } else {
        EXPECT_TRUE(dialogs->Messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Form1Settings,
    ::testing::Values(
        TSettingsCase{"HexTop", "[Form]\nTop=0x20\n", QRect(100, 32, 800, 340), EncodeTime(0, 1, 0), false},
        TSettingsCase{"LettersTop", "[Form]\nTop=abc\n", QRect(100, 100, 800, 340), EncodeTime(0, 1, 0), false},
        TSettingsCase{"Placement", "[Form]\nTop=10\nLeft=20\nHeight=400\nWidth=1000\n", QRect(20, 10, 1000, 400),
                      EncodeTime(0, 1, 0), false},
        TSettingsCase{"ZakresYChangesNothing", "[Wykres]\nZakresY=5\n", QRect(100, 100, 800, 340), EncodeTime(0, 1, 0),
                      false},
        TSettingsCase{"FiveMinutes", "[Rejestracja]\nInterwal=00:05:00\n", QRect(100, 100, 800, 340),
                      EncodeTime(0, 5, 0), false},
        TSettingsCase{"LettersInterval", "[Rejestracja]\nInterwal=abc\n", QRect(100, 100, 800, 340), 0.0, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Form1Test, ClosingWritesThePlacementAndKeepsOtherSettings) {
    WriteIni("[Rejestracja]\nInterwal=00:05:00\n");
    Create();
    form->move(40, 30);
    form->resize(900, 500);
    form->close();
    const std::string ini = ReadIni();
    EXPECT_NE(std::string::npos, ini.find("Interwal=00:05:00")) << ini;
    EXPECT_NE(std::string::npos, ini.find("Top=30\nLeft=40\nHeight=500\nWidth=900")) << ini;
}

TEST_F(Form1Test, UnwritableSettingsFileIsReportedAndClosingFinishes) {
    // A folder in the settings file's place: it is used (something of that name is there) and
    // cannot be written, for root too.
    const std::string exe = ExePath();
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(IniPath())));
    Create(exe);
    form->show();
    EXPECT_TRUE(form->close());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ("Unable to write to " + exe + ".INI.", dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_EQ("Lorv304D", dialogs->Messages[0].Caption.toStdString());
    EXPECT_EQ("d!", LastLogLine());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->SerialPort().IsOpen());
}

TEST_F(Form1Test, InstalledProgramKeepsItsSettingsInTheUserConfigFolder) {
    // <dir>/bin/lorv304d with its data folder <dir>/share/lorv304d: an installed layout.
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("bin")) && QDir(root).mkpath(QStringLiteral("share/lorv304d")));
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toLocal8Bit());
    Create(root.toStdString() + "/bin/lorv304d");
    qputenv("XDG_CONFIG_HOME", savedConfig);

    const std::string ini = root.toStdString() + "/config/lorv304d/lorv304d.INI";
    EXPECT_EQ(ini, form->SettingsFile());
    form->move(40, 30);
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_EQ("[Form]\nTop=30\nLeft=40\nHeight=340\nWidth=800\n", ReadFileBytes(ini));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/bin/lorv304d.INI")));
}

TEST_F(Form1Test, VersionBoxHasThreeLines) {
    Create();
    form->Wersjaprogramu1->trigger();
    ASSERT_EQ(1u, dialogs->Messages.size());
    const TShownMessage& box = dialogs->Messages[0];
    const QStringList lines = box.Text.split(QLatin1Char('\n'));
    ASSERT_EQ(3, lines.size());
    EXPECT_EQ("Wersja: lorv301", lines[0].toStdString());
    EXPECT_FALSE(lines[1].isEmpty());
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Kontakt: ")) && lines[2].contains(QLatin1Char('@')));
    EXPECT_EQ(TMessageIcon::None, box.Icon);
    EXPECT_EQ("Lorv304D", box.Caption.toStdString());
}

TEST_F(Form1Test, EscapedErrorsEndTheActionWithTheErrorReport) {
    Create();
    int reached = 0;
    EXPECT_FALSE(form->Guarded([&] {
        throw EConvertError("'2017-13-01' is not a valid date and time");
        ++reached;
    }));
    EXPECT_FALSE(form->Guarded([] { throw std::out_of_range("Index out of range!"); }));
    EXPECT_TRUE(form->Guarded([&] { ++reached; }));
    EXPECT_EQ(1, reached);
    ASSERT_EQ(2u, dialogs->Messages.size());
    EXPECT_EQ("'2017-13-01' is not a valid date and time.", dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_EQ("Lorv304D", dialogs->Messages[0].Caption.toStdString());
    EXPECT_EQ("Index out of range!", dialogs->Messages[1].Text.toStdString());
}

TEST_F(Form1Test, CommandExchangeWithoutAPortLogsAtOnce) {
    Create();
    EXPECT_EQ("", form->SendCommand("T?"));
    EXPECT_EQ("T?\t", LastLogLine());
    form->PostCommand("E!");
    EXPECT_EQ("E!", LastLogLine());
}

TEST_F(Form1Test, LoggerHostReachesTheControls) {
    Create();
    TLoggerStatus status;
    status.Clock = LoggerFormat().TextToDateTime("2017-03-05 14:00:00");
    status.Interval = LoggerFormat().TextToTime("00:05:00");
    status.Battery = "4012";
    form->ShowLoggerStatus(status);
    EXPECT_EQ("4012 mV", form->eVBat->text().toStdString());
    EXPECT_EQ("2017-03-05 14:00:00", form->meDT->text().toStdString());
    EXPECT_EQ("00:05:00", form->mePeriod->text().toStdString());
    EXPECT_FALSE(form->Timer2->isActive());  // only a recording start switches the clock on

    form->ProbeStarting("pts/\xb9");  // code page 1250 "ą"
    EXPECT_EQ("pts/ą", form->stBar->text().toStdString());
    form->ChunkDone(TDownloadProgress{0, 60, 25, 25});
    EXPECT_EQ("41%", form->stBar->text().toStdString());
    EXPECT_EQ("25", form->Edit1->text().toStdString());
    form->ReadingStored("2017-03-05 14:00:00  21.50   19.25");
    ASSERT_EQ(1u, form->Memo2->Lines().Count());
    EXPECT_EQ("2017-03-05 14:00:00  21.50   19.25", form->Memo2->Lines()[0]);

    EXPECT_FALSE(form->DownloadWanted());
    form->sbRead->setChecked(true);
    EXPECT_TRUE(form->DownloadWanted());
    form->close();
    EXPECT_FALSE(form->DownloadWanted());  // closing ends a download
    EXPECT_FALSE(form->sbRead->isChecked());
}

TEST_F(Form1Test, RightColumnKeepsItsWidthWhenTheWindowIsResized) {
    Create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (const QSize size : {QSize(1285, 762), QSize(900, 700), QSize(1600, 500)}) {
        form->resize(size);
        QCoreApplication::processEvents();
        const QRect client = form->Panel1->contentsRect();
        EXPECT_EQ(form->Scaled(450), form->Panel2->width());
        EXPECT_EQ(client.right(), form->Panel2->geometry().right());
        EXPECT_EQ(client.height(), form->Panel2->height());
        EXPECT_EQ(form->Scaled(5), form->Panel6->width());
        EXPECT_EQ(form->Panel2->x(), form->Panel6->geometry().right() + 1);
        EXPECT_EQ(form->Panel6->x(), form->ChartPane->geometry().right() + 1);  // the chart takes the rest
        // Groups on top, the status line at the foot, the panels between them.
        EXPECT_EQ(form->Scaled(161), form->GroupBox2->height());
        EXPECT_EQ(form->GroupBox2->geometry().bottom() + 1, form->GroupBox1->y());
        EXPECT_EQ(form->GroupBox1->geometry().bottom() + 1, form->boxRead->y());
        EXPECT_EQ(form->boxRead->geometry().bottom() + 1, form->PageControl1->y());
        EXPECT_EQ(form->PageControl1->geometry().bottom() + 1, form->stBar->y());
        EXPECT_EQ(form->Panel2->contentsRect().bottom(), form->stBar->geometry().bottom());
        EXPECT_EQ(form->Scaled(19), form->stBar->height());
    }
    // The sizes are those at 120 pixels per inch scaled to this screen.
    EXPECT_EQ(qRound(450 * form->screen()->logicalDotsPerInch() / 120.0), form->Scaled(450));
}

TEST_F(Form1Test, MenusHaveTheirCaptionsAndChecks) {
    Create();
    struct TItem {
        const char* Caption;
        int Check;  // -1 command, 0 clear check item, 1 ticked check item
    };
    const std::vector<std::pair<const char*, std::vector<TItem>>> expected = {
        {"&Dane",
         {{"Zapi&sz jako", -1},
          {"&Czytaj z pliku", -1},
          {"&Eksport CSV…", -1},
          {"&Archiwum…", -1},
          {"&Raport PDF…", -1},
          {"", -1},
          {"Podgląd", 1}}},
        {"Wykres",
         {{"Punkty", 0},
          {"", -1},
          {"Temperatura_1", 1},
          {"Temperatura_2", 1},
          {"", -1},
          {"Drukuj", -1},
          {"Statystyka…", -1},
          {"Limity", 0}}},
        {"&Informacje", {{"&Wersja programu", -1}}},
        {"PopupMenu1", {{"Zapisz", -1}, {"Kasuj", -1}}},
        {"PopupMenu2", {{"Zapisz", -1}, {"", -1}, {"Kasuj", -1}}}};
    std::vector<QMenu*> menus;
    for (QAction* a : form->menuBar()->actions()) menus.push_back(a->menu());
    menus.push_back(form->PopupMenu1);
    menus.push_back(form->PopupMenu2);
    ASSERT_EQ(expected.size(), menus.size());
    for (std::size_t m = 0; m < menus.size(); ++m) {
        if (m < 3) {
            EXPECT_EQ(expected[m].first, menus[m]->title().toStdString());
        }
        const QList<QAction*> items = menus[m]->actions();
        ASSERT_EQ(expected[m].second.size(), static_cast<std::size_t>(items.size())) << expected[m].first;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const TItem& want = expected[m].second[i];
            EXPECT_EQ(want.Caption, items[i]->text().toStdString());
            EXPECT_EQ(want.Check >= 0, items[i]->isCheckable()) << want.Caption;
            EXPECT_EQ(want.Check == 1, items[i]->isChecked()) << want.Caption;
        }
    }
    // Check items tick themselves when chosen.
    form->mnDots->trigger();
    form->Podgld1->trigger();
    EXPECT_TRUE(form->mnDots->isChecked());
    EXPECT_FALSE(form->Podgld1->isChecked());
}

TEST_F(Form1Test, ContextMenusOpenOnTheirPanels) {
    Create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The chart opens its menu on a right-button release: see main_window_chart_test.cpp.
    const std::pair<QWidget*, QMenu*> cases[] = {{form->Memo1->viewport(), form->PopupMenu1},
                                                 {form->Memo2->viewport(), form->PopupMenu2}};
    for (const auto& [target, menu] : cases) {
        form->PageControl1->setCurrentWidget(target == form->Memo2->viewport() ? form->TabSheet2 : form->TabSheet1);
        QCoreApplication::processEvents();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), target->mapToGlobal(QPoint(10, 10)));
        QCoreApplication::sendEvent(target, &event);
        EXPECT_TRUE(menu->isVisible()) << target->objectName().toStdString();
        menu->hide();
    }
}

TEST_F(Form1Test, EveryControlReachableByKeyboardHasAName) {
    Create();
    form->show();
    int reachable = 0;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form.get()) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        if (w->parentWidget() && qobject_cast<QAbstractScrollArea*>(w->parentWidget())) continue;  // viewports
        ++reachable;
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const QString name = button ? button->text() : w->accessibleName();
        EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    EXPECT_GE(reachable, 12);
    // The fields that show the logger's state cannot be typed into.
    for (QLineEdit* field : {form->eDev, form->eVBat, static_cast<QLineEdit*>(form->meDT)})
        EXPECT_TRUE(field->isReadOnly() && !field->isEnabled());
}

TEST_F(Form1Test, IncompleteMaskedFieldIsReportedWithABeep) {
    Create();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->meStart->setFocus(Qt::TabFocusReason);
    form->meStart->setCursorPosition(0);
    QTest::keyClicks(form->meStart, QStringLiteral("2017"));
    form->meStop->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(1, dialogs->Beeps);
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ("Invalid input value.  Use escape key to abandon changes.", dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_TRUE(form->meStart->hasFocus());
}

}  // namespace
