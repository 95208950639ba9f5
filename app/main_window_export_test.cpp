// The CSV export and the statistics dialog on the real window, under a time zone set by the test.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "app/statistics_dialog.h"
#include "base/profile_file.h"
#include "base/testing/file_bytes.h"
#include "data/scoped_time_zone.h"

namespace {

// Readings of the spring change of the clocks in Warsaw, one line that is no reading, one
// reading in the fold of the autumn change.
constexpr const char* SpringFile =
    "2026-03-29 01:45:00     2.5    20.0\n"
    "2026-03-29 02:30:00     3.5    20.5\n"
    "D?100\n"
    "2026-03-29 03:00:00     9.0   x\n"
    "2026-10-25 02:15:00     4.0    21.0\n";

class ExportAndStatisticsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // A settings file with a section of its own, which the limits must leave alone.
        WriteFile("lorv304d.INI", "[Rejestracja]\r\nInterwal=00:15:00\r\n");
        form = std::make_unique<TForm1>(TForm1::TEnvironment{Path("lorv304d"), dialogs});
        dialogs->Messages.clear();
    }

    std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    void WriteFile(const std::string& name, const std::string& bytes) const { WriteFileBytes(Path(name), bytes); }
    std::string ReadFile(const std::string& name) const { return ReadFileBytes(Path(name)); }
    void Load(const std::string& bytes) {
        WriteFile("a.log", bytes);
        dialogs->FileAnswers.push_back(QString::fromStdString(Path("a.log")));
        form->Wczytajzpliku1->trigger();
        ASSERT_TRUE(dialogs->Messages.empty());
    }
    void Export(const std::string& answer) {
        dialogs->FileAnswers.push_back(answer.empty() ? QString() : QString::fromStdString(Path(answer)));
        form->EksportCSV1->trigger();
    }

    const TScopedTimeZone zone{"Europe/Warsaw"};
    QTemporaryDir dir;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
};

TEST_F(ExportAndStatisticsTest, ExportWritesTheDataPanelAsCsvAndCountsWhatItCouldNotPlace) {
    Load(SpringFile);
    Export("out");  // no extension: ".csv" is added

    ASSERT_EQ(2u, dialogs->FileDialogs.size());
    const TShownFileDialog& shown = dialogs->FileDialogs[1];
    EXPECT_EQ(TFileDialogKind::Save, shown.Kind);
    EXPECT_EQ("csv", shown.Dialog.DefaultExt.toStdString());
    EXPECT_EQ("*.csv", shown.Dialog.Filter.toStdString());
    EXPECT_EQ(
        "time,t1_c,t2_c\r\n"
        "2026-03-29T01:45:00+01:00,2.5,20.0\r\n"
        "2026-03-29T02:30:00+01:00,3.5,20.5\r\n"
        "2026-03-29T03:00:00+02:00,9.0,\r\n"
        "2026-10-25T02:15:00+02:00,4.0,21.0\r\n",
        ReadFile("out.csv"));
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::None, dialogs->Messages[0].Icon);
    EXPECT_EQ(
        "Zapisane odczyty: 4\nPominięte linie: 1\nCzasy w luce zmiany czasu: 1\n"
        "Czasy powtórzone przy zmianie czasu: 1\nZapisano je z przesunięciem UTC sprzed zmiany czasu.",
        dialogs->Messages[0].Text.toStdString());
}

TEST_F(ExportAndStatisticsTest, CancelledOrFailedExportWritesNothing) {
    Load(SpringFile);
    Export("");
    EXPECT_TRUE(dialogs->Messages.empty());

    // A folder that does not exist: the error report names the file, and the panel stays.
    Export("missing/out.csv");
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_TRUE(dialogs->Messages[0].Text.contains(QStringLiteral("missing/out.csv")))
        << dialogs->Messages[0].Text.toStdString();
    EXPECT_EQ(5u, form->Memo2->Lines().Count());
}

TEST_F(ExportAndStatisticsTest, StatisticsOfTheVisibleRangeWithRememberedLimits) {
    // One reading every 15 minutes from 10:00 to 12:00, 11:00 missing.
    Load(
        "2026-03-01 10:00:00     2.0    20.0\n2026-03-01 10:15:00     2.5    20.0\n"
        "2026-03-01 10:30:00     3.0    20.0\n2026-03-01 10:45:00     8.5    20.0\n"
        "2026-03-01 11:15:00     9.0    20.0\n2026-03-01 11:30:00     4.0    20.0\n"
        "2026-03-01 11:45:00     4.0    20.0\n2026-03-01 12:00:00     4.0    20.0\n");
    const TDateTime day = EncodeDate(2026, 3, 1);

    form->Statystyka1->trigger();
    TStatisticsDialog* dialog = form->StatisticsDialog;
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->Text().startsWith(QStringLiteral("Zakres: wszystkie odczyty\nOdczyty: 8 ")))
        << dialog->Text().toStdString();
    EXPECT_TRUE(dialog->Text().contains(QStringLiteral("Luki: 1, brakujące odczyty: 1\n")));

    // Limits typed with a comma count at once; "Kopiuj" copies the text as shown.
    QTest::keyClicks(dialog->edLow, QStringLiteral("2,5"));
    QTest::keyClicks(dialog->edHigh, QStringLiteral("8"));
    EXPECT_TRUE(
        dialog->Text().contains(QStringLiteral("Poniżej 2.5 °C         0:15:00 (12.5 %)      0:00:00 (0.0 %)\n"
                                               "Powyżej 8.0 °C         0:30:00 (25.0 %)      2:00:00 (100.0 %)\n")))
        << dialog->Text().toStdString();
    QTest::mouseClick(dialog->btCopy, Qt::LeftButton);
    EXPECT_EQ(dialog->Text(), QGuiApplication::clipboard()->text());
    QTest::mouseClick(dialog->btClose, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    std::string ini = ReadFile("lorv304d.INI");
    std::erase(ini, '\r');
    EXPECT_EQ("[Rejestracja]\nInterwal=00:15:00\n[Statystyka]\nDolna=2,5\nGorna=8\n", ini);

    // Zoomed to 10:30 to 11:30: the dialog takes that range and the remembered limits.
    form->Chart->BottomAxis.SetAutomatic(false);
    form->Chart->BottomAxis.SetMinMax(day + EncodeTime(10, 30, 0), day + EncodeTime(11, 30, 0));
    form->Statystyka1->trigger();
    EXPECT_EQ("2,5", dialog->edLow->text().toStdString());
    EXPECT_EQ("8", dialog->edHigh->text().toStdString());
    const QString text = dialog->Text();
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Zakres wykresu: 2026-03-01 10:30:00 – 2026-03-01 11:30:00\n"
                                       "Odczyty: 4 (2026-03-01 10:30:00 – 2026-03-01 11:30:00)\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Maksimum [°C]          9.0                   20.0\n")))
        << text.toStdString();
    dialog->reject();
}

TEST_F(ExportAndStatisticsTest, StatisticsDialogIsReachableByKeyboard) {
    form->Statystyka1->trigger();
    TStatisticsDialog* dialog = form->StatisticsDialog;
    ASSERT_NE(nullptr, dialog);
    // Tab runs through the limits, the text and both buttons, each with a name to read out.
    const std::vector<QWidget*> chain = {dialog->edLow,       dialog->edHigh,    dialog->cbProfile,
                                         dialog->cbMktWindow, dialog->memoStats, dialog->btCopy,
                                         dialog->btClose};
    // The editable "Okno MKT" takes the focus in its own line edit, which is part of it.
    const auto nextTabStop = [dialog](QWidget* from) {
        QWidget* w = from;
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(dialog) || from->isAncestorOf(w));
        return w;
    };
    for (std::size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(chain[(i + 1) % chain.size()], nextTabStop(chain[i])) << i;
        EXPECT_TRUE(chain[i]->focusPolicy() & Qt::TabFocus) << i;
        const auto* button = qobject_cast<QPushButton*>(chain[i]);
        EXPECT_FALSE((button ? button->text() : chain[i]->accessibleName()).isEmpty()) << i;
    }
    // With nothing loaded the dialog says so rather than showing numbers.
    EXPECT_TRUE(dialog->Text().contains(QStringLiteral("Liczba odczytów        ---                   ---\n")))
        << dialog->Text().toStdString();
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ExportAndStatisticsTest, ProfileChoiceShowsItsRulesAndIsKept) {
    WriteFile("lorv304d.INI",
              "[Profil chłodnia]\n"
              "Regula1 = 1 >= 8.5 consecutive 30min | long warm spell\n"
              "[Profil zepsuty]\n"
              "Regula1 = 1 > 8 sometimes\n");
    // One reading every 15 minutes; 8.5 and 9.0 for half an hour at 10:45.
    Load(
        "2026-03-01 10:00:00     2.0    20.0\n2026-03-01 10:15:00     2.5    20.0\n"
        "2026-03-01 10:30:00     3.0    20.0\n2026-03-01 10:45:00     8.5    20.0\n"
        "2026-03-01 11:00:00     9.0    20.0\n2026-03-01 11:15:00     4.0    20.0\n");
    form->Statystyka1->trigger();
    TStatisticsDialog* dialog = form->StatisticsDialog;
    ASSERT_NE(nullptr, dialog);
    // The plain limits, the built-in profiles, then the faultless own one; the faulty one is named.
    ASSERT_EQ(6, dialog->cbProfile->count());
    EXPECT_EQ(0, dialog->cbProfile->currentIndex());
    EXPECT_EQ("chłodnia", dialog->cbProfile->itemData(5).toString().toStdString());
    const std::string ini = Path("lorv304d.INI");
    EXPECT_TRUE(dialog->Text().contains(QString::fromStdString(
        ini + ", line 4: 'sometimes' is not a kind of rule (single, consecutive, cumulative)\n")))
        << dialog->Text().toStdString();

    dialog->cbProfile->setCurrentIndex(dialog->cbProfile->findData(QStringLiteral("chłodnia")));
    EXPECT_TRUE(dialog->Text().contains(
        QStringLiteral("Profil: chłodnia\n"
                       "Reguła 1, T1: >= 8.5 °C przez 30min ciągiem (long warm spell)\n"
                       "  przekroczona: TAK, poza granicą: 0:30:00, wychylenia: 1, najdłuższe: 0:30:00\n"
                       "  2026-03-01 10:45:00 – 2026-03-01 11:15:00  0:30:00  szczyt 9.0 °C (2026-03-01 11:00:00)\n")))
        << dialog->Text().toStdString();

    // A window of one hour fits three times (to 11:30); the one from 10:30 holds 3.0, 8.5, 9.0, 4.0.
    dialog->cbMktWindow->setCurrentText(QStringLiteral("1h"));
    EXPECT_TRUE(dialog->Text().contains(QStringLiteral("Najwyższe MKT okna 1h:\n  T1: ")))
        << dialog->Text().toStdString();
    EXPECT_TRUE(dialog->Text().contains(QStringLiteral(" °C od 2026-03-01 10:30:00\n  T2: 20.00 °C od 2026-03-01 10:00:00\n")))
        << dialog->Text().toStdString();
    QTest::mouseClick(dialog->btCopy, Qt::LeftButton);
    EXPECT_EQ(dialog->Text(), QGuiApplication::clipboard()->text());
    dialog->accept();
    EXPECT_EQ("chłodnia", TProfileFile(ini).ReadString("Statystyka", "Profil", ""));
    EXPECT_EQ("1h", TProfileFile(ini).ReadString("Statystyka", "OknoMKT", ""));

    form->Statystyka1->trigger();
    EXPECT_EQ("chłodnia", dialog->cbProfile->currentData().toString().toStdString());
    EXPECT_EQ("1h", dialog->cbMktWindow->currentText().toStdString());
    dialog->reject();
}

}  // namespace
