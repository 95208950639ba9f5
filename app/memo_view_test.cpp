#include "app/memo_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>

namespace {

// Counts the paint events of the panel's viewport.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

std::string Reading(int i) {
    char text[64];
    std::snprintf(text, sizeof text, "2017-03-05 %02d:%02d:00    21.5    %4d", i / 60 % 24, i % 60, i % 1000);
    return text;
}

class MemoViewTest : public testing::Test {
  protected:
    void SetUp() override {
        view_ = std::make_unique<TMemoView>();
        // Cousine: the monospaced font scripts/setup-deps installs (fonts-croscore).
        QFont font(QStringLiteral("Cousine"));
        font.setPixelSize(15);
        view_->setFont(font);
        view_->SetTextMargins(8, 5, 8, 2);
        view_->resize(300, 200);
    }
    void Show() {
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    }
    int LineHeight() const { return QFontMetrics(view_->font()).height(); }
    // y in the viewport of the middle of the n-th row on screen.
    int RowY(int row) const { return 5 + row * LineHeight() + LineHeight() / 2; }
    void Click(int y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, mods, QPoint(50, y));
    }

    std::unique_ptr<TMemoView> view_;
};

TEST_F(MemoViewTest, LinesShowAsUnicode) {
    view_->AppendLine("abc");
    view_->AppendLine("\xA5\xB9\xE6\x9C");  // code page 1250: Ą ą ć ś
    view_->AppendLine("");
    view_->AppendLine("a\tb");
    EXPECT_EQ(4u, view_->Lines().Count());
    EXPECT_EQ(QString::fromUtf8("abc\nĄąćś\n\na\tb"), view_->Text());
    EXPECT_EQ(QString::fromUtf8("Ąąćś"), view_->LineText(1));
    EXPECT_EQ(QString(), view_->LineText(4));
    EXPECT_TRUE(view_->Lines().FinalLineEnd());
}

TEST_F(MemoViewTest, SetStoreReplacesAndClearEmpties) {
    view_->AppendLine("old");
    view_->SelectAll();
    TLineStore store;
    store.Assign({"one", "two"}, false);
    view_->SetStore(store);
    EXPECT_EQ(QStringLiteral("one\ntwo"), view_->Text());
    EXPECT_FALSE(view_->Lines().FinalLineEnd());
    EXPECT_FALSE(view_->HasSelection());

    view_->SetLines({"x"});
    EXPECT_TRUE(view_->Lines().FinalLineEnd());
    view_->Clear();
    EXPECT_TRUE(view_->Lines().Empty());
    EXPECT_EQ(QString(), view_->Text());
    EXPECT_EQ(0, view_->verticalScrollBar()->maximum());
}

TEST_F(MemoViewTest, AppendScrollsToTheNewLine) {
    Show();
    for (int i = 0; i < 100; ++i) view_->AppendLine(Reading(i));
    const int rowsFit = (view_->viewport()->height() - 7) / LineHeight();
    QScrollBar* bar = view_->verticalScrollBar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 0; }));
    EXPECT_EQ(100 - rowsFit, bar->maximum());
    EXPECT_EQ(bar->maximum(), bar->value());
    EXPECT_EQ(99u, view_->LineAt(QPoint(50, RowY(rowsFit - 1))));
}

// A hidden panel (the data panel switched off, or its tab not shown) takes lines without
// drawing or scheduling anything; shown again it shows all of them, scrolled to the last.
TEST_F(MemoViewTest, HiddenPanelDoesNotPaintAndCatchesUpWhenShown) {
    Show();
    PaintCounter counter;
    view_->viewport()->installEventFilter(&counter);
    view_->hide();
    for (int i = 0; i < 2000; ++i) {
        view_->AppendLine(Reading(i));
        if (i % 25 == 0) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(view_->RefreshScheduled());
    EXPECT_EQ(0, counter.paints);
    EXPECT_EQ(2000u, view_->Lines().Count());

    Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
    EXPECT_GT(view_->verticalScrollBar()->maximum(), 1900);
    EXPECT_EQ(view_->verticalScrollBar()->maximum(), view_->verticalScrollBar()->value());
}

// Lines streaming in are drawn at most once per 33 ms of the panel's clock, not once per line:
// 3000 lines a millisecond apart give at most 3000 / 33 + 1 refreshes, however slow the machine.
TEST_F(MemoViewTest, StreamedLinesCoalesceRepaints) {
    qint64 now = 0;
    view_->SetClock([&now] { return now; });
    Show();
    PaintCounter counter;
    view_->viewport()->installEventFilter(&counter);
    for (int i = 0; i < 3000; ++i) {
        ++now;
        view_->AppendLine(Reading(i));
        QCoreApplication::processEvents();
    }
    EXPECT_LE(counter.paints, 3000 / 33 + 1);
    // The view kept up: its last refresh was at most 33 lines ago.
    const int last = 3000 - (view_->viewport()->height() - 7) / LineHeight();
    EXPECT_GE(view_->verticalScrollBar()->value(), last - 33);
    // The last refresh is due once the clock has moved on; then the view shows the last line.
    now += 33;
    EXPECT_TRUE(QTest::qWaitFor([&] { return view_->verticalScrollBar()->value() == last; }));
    view_->SetClock(nullptr);  // `now` goes out of scope
}

// With word wrap a long line takes several rows but one step of the scroll bar.
TEST_F(MemoViewTest, WordWrapSpreadsALongLineOverRows) {
    Show();
    view_->SetLines({std::string(200, 'x'), "short", "after"});
    EXPECT_EQ(1u, view_->LineAt(QPoint(50, RowY(1))));

    view_->SetWordWrap(true);
    EXPECT_TRUE(view_->WordWrap());
    EXPECT_EQ(0u, view_->LineAt(QPoint(50, RowY(1))));
    EXPECT_EQ(0u, view_->LineAt(QPoint(50, RowY(2))));
    const int rowsOfLong = (200 * QFontMetrics(view_->font()).horizontalAdvance('x') + 283) / 284;
    EXPECT_EQ(1u, view_->LineAt(QPoint(50, RowY(rowsOfLong))));

    // All three lines fit: nothing to scroll.
    EXPECT_EQ(0, view_->verticalScrollBar()->maximum());
    view_->SetWordWrap(false);
    EXPECT_EQ(1u, view_->LineAt(QPoint(50, RowY(1))));
}

TEST_F(MemoViewTest, WrappedScrollStopsWhenLastLineShows) {
    Show();
    view_->SetWordWrap(true);
    std::vector<std::string> lines(50, std::string(100, 'y'));
    lines.push_back("last");
    view_->SetLines(lines);
    QScrollBar* bar = view_->verticalScrollBar();
    bar->setValue(bar->maximum());
    const std::size_t bottom = view_->LineAt(QPoint(50, view_->viewport()->height() - 3));
    EXPECT_EQ(50u, bottom);
    EXPECT_LT(bar->maximum(), 50);
    EXPECT_GT(bar->maximum(), 40);

    // Paging moves by the lines fully in sight, each two or more rows high here.
    const std::size_t rowsOfLine = view_->LineAt(QPoint(50, RowY(0))) == view_->LineAt(QPoint(50, RowY(1))) ? 2 : 1;
    ASSERT_EQ(2u, rowsOfLine);
    bar->setValue(0);
    const int inSight = static_cast<int>(view_->LineAt(QPoint(50, view_->viewport()->height() - 3)));
    EXPECT_GE(bar->pageStep(), inSight - 1);
    EXPECT_LE(bar->pageStep(), inSight);
    QTest::keyClick(view_.get(), Qt::Key_PageDown);
    EXPECT_EQ(bar->pageStep(), bar->value());
}

TEST_F(MemoViewTest, MouseSelectsLinesAndCtrlCCopies) {
    Show();
    view_->SetLines({"zero", "one", "two", "three", "\xB9\x9C"});
    Click(RowY(1));
    EXPECT_EQ(QStringLiteral("one"), view_->SelectedText());
    Click(RowY(3), Qt::ShiftModifier);
    EXPECT_EQ(1u, view_->SelectionFirst());
    EXPECT_EQ(3u, view_->SelectionLast());
    QTest::keyClick(view_.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QStringLiteral("one\ntwo\nthree"), QGuiApplication::clipboard()->text());

    // Dragging from the last line upwards; below the text counts as the last line.
    QTest::mousePress(view_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 190));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, RowY(3)), view_->viewport()->mapToGlobal(QPointF(50, RowY(3))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view_->viewport(), &move);
    QTest::mouseRelease(view_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, RowY(3)));
    EXPECT_EQ(QString::fromUtf8("three\nąś"), view_->SelectedText());
}

TEST_F(MemoViewTest, KeyboardSelectsAndScrolls) {
    Show();
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) lines.push_back(Reading(i));
    view_->SetLines(lines);
    QScrollBar* bar = view_->verticalScrollBar();
    ASSERT_EQ(0, bar->value());

    QTest::keyClick(view_.get(), Qt::Key_Down);
    EXPECT_EQ(1, bar->value());
    QTest::keyClick(view_.get(), Qt::Key_PageDown);
    EXPECT_EQ(1 + bar->pageStep(), bar->value());
    QTest::keyClick(view_.get(), Qt::Key_End);
    EXPECT_EQ(bar->maximum(), bar->value());
    QTest::keyClick(view_.get(), Qt::Key_Home);
    EXPECT_EQ(0, bar->value());
    EXPECT_FALSE(view_->HasSelection());

    QTest::keyClick(view_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view_.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(0u, view_->SelectionFirst());
    EXPECT_EQ(2u, view_->SelectionLast());
    // Extending past the bottom keeps the moving end in sight.
    QTest::keyClick(view_.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(99u, view_->SelectionLast());
    EXPECT_EQ(bar->maximum(), bar->value());

    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(0u, view_->SelectionFirst());
    EXPECT_EQ(99u, view_->SelectionLast());
    QTest::keyClick(view_.get(), Qt::Key_Escape);
    EXPECT_FALSE(view_->HasSelection());
}

// Drawn pixels: nothing in the left margin, text right of it, the selection highlighted.
TEST_F(MemoViewTest, PaintsTextInsideMarginsAndSelection) {
    Show();
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Highlight, Qt::blue);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    view_->setPalette(pal);
    view_->SetLines({"MMMMMMMM", "MMMMMMMM", "MMMMMMMM"});
    view_->SelectLines(1, 1);
    const QImage image = view_->viewport()->grab().toImage();

    auto countColour = [&](QRect area, QRgb colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += (image.pixel(x, y) | 0xFF000000) == colour;
        return n;
    };
    const int h = LineHeight();
    EXPECT_EQ(0, countColour(QRect(0, 0, 8, image.height()), qRgb(0, 0, 0)));
    EXPECT_EQ(0, countColour(QRect(0, 0, image.width(), 5), qRgb(0, 0, 0)));
    EXPECT_GT(countColour(QRect(8, 5, 100, h), qRgb(0, 0, 0)), 20);
    EXPECT_EQ(0, countColour(QRect(8, 5, 100, h), qRgb(0, 0, 255)));
    EXPECT_GT(countColour(QRect(8, 5 + h, 100, h), qRgb(0, 0, 255)), 100 * h / 2);
    EXPECT_EQ(0, countColour(QRect(0, 5 + h, 8, h), qRgb(0, 0, 255)));
}

// A tab moves the text after it to the next stop, 15 dialog units apart (a dialog unit is a
// quarter of the font's average character width).
TEST_F(MemoViewTest, TabStopsFollowDialogUnits) {
    Show();
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    view_->setPalette(pal);
    view_->SetLines({"\tM"});
    auto firstInkColumn = [&] {
        const QImage image = view_->viewport()->grab().toImage();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 5; y < 5 + LineHeight(); ++y)
                if (qGray(image.pixel(x, y)) < 128) return x;
        return -1;
    };
    view_->SetTabStopDialogUnits(15);
    const int stop15 = view_->TabStopPixels();
    const double avg = QFontMetrics(view_->font()).averageCharWidth();
    EXPECT_NEAR(15 * avg / 4, stop15, avg / 2 + 1);
    EXPECT_NEAR(8 + stop15, firstInkColumn(), 3);

    view_->SetTabStopDialogUnits(30);
    EXPECT_NEAR(2 * stop15, view_->TabStopPixels(), 1);
    EXPECT_NEAR(8 + view_->TabStopPixels(), firstInkColumn(), 3);
}

}  // namespace
