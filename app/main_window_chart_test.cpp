// The chart inside the real window: its menu items, its context menu and printing through the
// window's print dialog.
#include <gtest/gtest.h>

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"

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

}  // namespace
