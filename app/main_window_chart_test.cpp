// The chart inside the real window: its menu items, its context menu and printing through the
// window's print dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "app/statistics_dialog.h"
#include "base/profile_file.h"

namespace {

class ChartInWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>(TForm1::TEnvironment{dir.path().toStdString() + "/lorv304d", dialogs});
        form->Chart->Clock = [] { return 42799.5; };
        form->AppendDataLine("2017-03-05 12:00:00    21.5    19.0");
        form->AppendDataLine("2017-03-05 13:00:00    22.5    19.5");
        form->ParseDataLines();
    }
    QString PdfPath() const { return dir.filePath(QStringLiteral("chart.pdf")); }

    QTemporaryDir dir;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
};

TEST_F(ChartInWindowTest, ChartFillsTheLeftPaneWithTheMenuItems) {
    EXPECT_EQ(form->ChartPane, form->Chart->parentWidget());
    EXPECT_EQ("Chart", form->Chart->objectName().toStdString());
    EXPECT_EQ(form->PopupMenu2, form->Chart->PopupMenu);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->ChartPane->size(), form->Chart->size());
}

TEST_F(ChartInWindowTest, MenuItemsSwitchMarkersAndSeries) {
    TStepSeries& s1 = form->Chart->Series1;
    TStepSeries& s2 = form->Chart->Series2;
    form->mnDots->trigger();
    EXPECT_EQ(2, s1.HorizSize());
    EXPECT_EQ(2, s2.VertSize());
    form->mnDots->trigger();
    EXPECT_EQ(1, s1.HorizSize());
    EXPECT_EQ(1, s2.VertSize());

    form->mnTemp->trigger();
    EXPECT_FALSE(s1.LinePenVisible());
    EXPECT_FALSE(s1.PointerVisible());
    EXPECT_TRUE(s2.LinePenVisible());
    form->mnHum->trigger();
    EXPECT_FALSE(s2.LinePenVisible());
    EXPECT_FALSE(s2.PointerVisible());

    // The markers follow the series' items also when "Punkty" changes later.
    form->mnDots->trigger();
    EXPECT_FALSE(s1.PointerVisible());
    form->mnTemp->trigger();
    EXPECT_TRUE(s1.LinePenVisible());
    EXPECT_TRUE(s1.PointerVisible());
    form->RefreshMarkers();
    EXPECT_EQ(2, s1.HorizSize());
    EXPECT_FALSE(s2.PointerVisible());
}

TEST_F(ChartInWindowTest, RightClickOpensTheDataMenuWhoseKasujClearsTheData) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QPoint inside = form->Chart->PlotRect().center();
    QTest::mouseClick(form->Chart, Qt::RightButton, Qt::NoModifier, inside);
    EXPECT_TRUE(form->PopupMenu2->isVisible());
    form->Wyczy1->trigger();
    form->PopupMenu2->hide();
    EXPECT_TRUE(form->Chart->isHidden());
    EXPECT_EQ(0u, form->Chart->Series1.Count());
    EXPECT_TRUE(form->Memo2->Lines().Empty());
}

TEST_F(ChartInWindowTest, PrintGoesThroughTheWindowsPrintDialogToOnePage) {
    form->show();
    dialogs->PdfPath = PdfPath();
    dialogs->PrintAnswers = {true};
    form->Druku1->trigger();
    EXPECT_EQ(1, dialogs->PrintDialogs);
    EXPECT_TRUE(dialogs->Messages.empty());
    QFile pdf(PdfPath());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(1, bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "))
        << bytes.left(2000).toStdString();
    // Title and legend are for the page only.
    EXPECT_FALSE(form->Chart->Title.Visible);
    EXPECT_FALSE(form->Chart->Legend.Visible);

    // A cancelled dialog prints nothing.
    ASSERT_TRUE(QFile::remove(PdfPath()));
    form->Druku1->trigger();
    EXPECT_EQ(2, dialogs->PrintDialogs);
    EXPECT_FALSE(QFile::exists(PdfPath()));
    EXPECT_TRUE(dialogs->Messages.empty());
}

TEST_F(ChartInWindowTest, FailedPrintIsReported) {
    dialogs->PdfPath = dir.filePath(QStringLiteral("no-such-dir/chart.pdf"));
    dialogs->PrintAnswers = {true};
    form->Druku1->trigger();
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_TRUE(dialogs->Messages[0].Text.startsWith(QStringLiteral("Printing failed")))
        << dialogs->Messages[0].Text.toStdString();
    EXPECT_FALSE(form->Chart->Title.Visible);
}

// "Limity": the limits of the profile chosen for the statistics as lines, its excursions as bands.
class LimitsOnChartTest : public ChartInWindowTest {
  protected:
    static constexpr QRgb LimitRed = qRgb(220, 0, 0), BandPink = qRgb(255, 224, 224);

    void SetUp() override {
        ChartInWindowTest::SetUp();
        TProfileFile(form->SettingsFile()).WriteString("Statystyka", "Profil", "2-8");
        LoadMinutes();
    }
    // Ten readings a minute apart from 12:00: channel 1 above 8 °C at 12:02 and 12:03, below 2 °C at
    // 12:07; channel 2 always 4 °C.
    void LoadMinutes() {
        form->ClearData();
        const char* t1[] = {"5.0", "5.0", "9.0", "9.5", "5.0", "5.0", "5.0", "1.5", "5.0", "5.0"};
        for (int i = 0; i < 10; ++i)
            form->AppendDataLine(QStringLiteral("2017-03-05 12:%1:00 %2     4.0")
                                     .arg(i, 2, 10, QLatin1Char('0'))
                                     .arg(QString::fromLatin1(t1[i]), 7)
                                     .toStdString());
        form->ParseDataLines();
    }
    static double At(int minute) { return EncodeDate(2017, 3, 5) + EncodeTime(12, minute, 0); }
    std::vector<double> Lines() const {
        std::vector<double> values;
        for (const TPlotMarkerLine& l : form->Chart->MarkerLines()) values.push_back(l.Value);
        return values;
    }
    // The bands in whole minutes after 12:00.
    std::vector<std::pair<long, long>> BandMinutes() const {
        std::vector<std::pair<long, long>> minutes;
        for (const TPlotBand& b : form->Chart->Bands())
            minutes.emplace_back(std::lround((b.From - At(0)) * 1440), std::lround((b.To - At(0)) * 1440));
        return minutes;
    }
    int PixelsOf(const QImage& image, QRgb colour) const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
        return n;
    }
    std::string Setting(const char* section, const char* key) const {
        return TProfileFile(form->SettingsFile()).ReadString(section, key, "none");
    }
};

TEST_F(LimitsOnChartTest, CheckShowsTheProfileFollowsTheDataAndIsKept) {
    EXPECT_EQ("Limity", form->Limity1->text().toStdString());
    EXPECT_TRUE(form->Limity1->isCheckable());
    EXPECT_FALSE(form->Limity1->isChecked());
    EXPECT_TRUE(form->Chart->MarkerLines().empty());

    form->Limity1->trigger();
    EXPECT_EQ((std::vector<double>{8, 2}), Lines());
    // Each excursion ends one interval after its last reading.
    EXPECT_EQ((std::vector<std::pair<long, long>>{{2, 4}, {7, 8}}), BandMinutes());
    EXPECT_NEAR(At(2), form->Chart->Bands()[0].From, 1e-9);
    EXPECT_EQ("1", Setting("Wykres", "Limity"));

    // Cleared with the data, evaluated again for data loaded.
    form->Wyczy1->trigger();
    EXPECT_TRUE(form->Chart->MarkerLines().empty());
    EXPECT_TRUE(form->Chart->Bands().empty());
    LoadMinutes();
    EXPECT_EQ((std::vector<std::pair<long, long>>{{2, 4}, {7, 8}}), BandMinutes());

    // The check is kept for the next start.
    TForm1 next(TForm1::TEnvironment{dir.path().toStdString() + "/lorv304d", dialogs});
    EXPECT_TRUE(next.Limity1->isChecked());

    form->Limity1->trigger();
    EXPECT_TRUE(form->Chart->MarkerLines().empty());
    EXPECT_TRUE(form->Chart->Bands().empty());
    EXPECT_EQ("0", Setting("Wykres", "Limity"));
}

// Closing the statistics dialog with another profile redraws the limits; a limit beyond the readings
// leaves the value axis to them and is not drawn, while its excursion is shaded.
TEST_F(LimitsOnChartTest, AnotherProfileInTheDialogRedrawsAndKeepsTheValueAxis) {
    form->resize(900, 600);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QImage plain = form->Chart->grab().toImage();
    const chartscale::TAxisMap axis = form->Chart->LeftMap();
    form->Limity1->trigger();
    QImage shown = form->Chart->grab().toImage();
    EXPECT_GT(PixelsOf(shown, LimitRed), form->Chart->PlotRect().width());  // two lines across the plot
    EXPECT_GT(PixelsOf(shown, BandPink), 0);
    EXPECT_EQ(0, PixelsOf(plain, LimitRed));

    form->Statystyka1->trigger();
    TStatisticsDialog* dialog = form->StatisticsDialog;
    ASSERT_NE(nullptr, dialog);
    dialog->cbProfile->setCurrentIndex(dialog->cbProfile->findData(QStringLiteral("frozen")));
    dialog->accept();
    EXPECT_EQ("frozen", Setting("Statystyka", "Profil"));
    EXPECT_EQ((std::vector<double>{-15}), Lines());
    EXPECT_EQ((std::vector<std::pair<long, long>>{{0, 10}}), BandMinutes());  // every reading is above -15 °C

    shown = form->Chart->grab().toImage();
    EXPECT_EQ(axis.Min, form->Chart->LeftMap().Min);
    EXPECT_EQ(axis.Max, form->Chart->LeftMap().Max);
    EXPECT_EQ(0, PixelsOf(shown, LimitRed));
    EXPECT_GT(PixelsOf(shown, BandPink), form->Chart->PlotRect().width() * form->Chart->PlotRect().height() / 2);
}

// "Drukuj" prints the limits and bands as the screen shows them.
TEST_F(LimitsOnChartTest, PrintCarriesTheLimits) {
    form->show();
    form->Limity1->trigger();
    dialogs->PdfPath = PdfPath();
    dialogs->PrintAnswers = {true};
    form->Druku1->trigger();
    EXPECT_TRUE(dialogs->Messages.empty());
    QProcess render;
    render.start("pdftoppm", {"-r", "40", "-png", "-singlefile", PdfPath(), dir.filePath("page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    int pink = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            pink += std::abs(c.red() - 255) <= 2 && std::abs(c.green() - 224) <= 2 && std::abs(c.blue() - 224) <= 2;
        }
    EXPECT_GT(pink, 50);
    // Title and legend are for the page only; the limits stay.
    EXPECT_FALSE(form->Chart->Title.Visible);
    EXPECT_EQ((std::vector<double>{8, 2}), Lines());
}

}  // namespace
