#include "app/masked_edit.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <ostream>

namespace {

constexpr const char* DateTimeMask = "!0000-00-00 00:00:00;1;_";
constexpr const char* IntervalMask = "!00:00:00;1;_";

struct TTextCase {
    const char* Name;
    const char* Mask;
    const char* Set;
    const char* Text;
};

std::ostream& operator<<(std::ostream& os, const TTextCase& row) { return os << row.Name; }

class MaskEditText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(MaskEditText, KeepsThePatternLengthWithBlanksWhereNothingIsTyped) {
    TMaskEdit field(QString::fromLatin1(GetParam().Mask));
    field.setText(QString::fromLatin1(GetParam().Set));
    EXPECT_EQ(GetParam().Text, field.text().toStdString());
    EXPECT_EQ(field.Pattern().size(), field.text().size());
    EXPECT_FALSE(field.isModified());
}

INSTANTIATE_TEST_SUITE_P(Rows, MaskEditText,
                         ::testing::Values(TTextCase{"EmptyDateTime", DateTimeMask, "", "    -  -     :  :  "},
                                           TTextCase{"EmptyInterval", IntervalMask, "", "  :  :  "},
                                           TTextCase{"FullDateTime", DateTimeMask, "2017-03-05 14:00:00",
                                                     "2017-03-05 14:00:00"},
                                           TTextCase{"DateAlone", DateTimeMask, "2017-03-05", "2017-03-05   :  :  "},
                                           TTextCase{"Interval", IntervalMask, "00:05:00", "00:05:00"},
                                           TTextCase{"NonDigitsStayBlank", IntervalMask, "1x:0 :59", "1 :0 :59"},
                                           TTextCase{"TooLongIsCut", IntervalMask, "00:05:001", "00:05:00"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(MaskEdit, TypedDigitsFillThePositionsInOrder) {
    TMaskEdit field(QString::fromLatin1(DateTimeMask));
    field.setCursorPosition(0);
    QTest::keyClicks(&field, QStringLiteral("20170305"));
    EXPECT_EQ("2017-03-05   :  :  ", field.text().toStdString());
    EXPECT_TRUE(field.isModified());
    EXPECT_FALSE(field.IsComplete());
    QTest::keyClicks(&field, QStringLiteral("140000"));
    EXPECT_TRUE(field.IsComplete());
}

// Two fields in a shown window so that the focus can really leave one of them.
class MaskEditLeave : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        first = new TMaskEdit(QString::fromLatin1(IntervalMask));
        second = new TMaskEdit(QString::fromLatin1(IntervalMask));
        layout->addWidget(first);
        layout->addWidget(second);
        first->SetInvalidInputHandler([this](const QString& message) { messages.push_back(message.toStdString()); });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        first->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        ASSERT_TRUE(first->hasFocus());
    }
    void Leave() {
        second->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    QWidget window;
    TMaskEdit* first = nullptr;
    TMaskEdit* second = nullptr;
    std::vector<std::string> messages;
};

TEST_F(MaskEditLeave, IncompleteChangeIsReportedAndKeepsTheFocus) {
    QSignalSpy exited(first, &TMaskEdit::Exited);
    first->setCursorPosition(0);
    QTest::keyClicks(first, QStringLiteral("12"));
    Leave();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Invalid input value.  Use escape key to abandon changes", messages[0]);
    EXPECT_TRUE(first->hasFocus());
    EXPECT_EQ(0, exited.count());
    EXPECT_EQ("12:  :  ", first->text().toStdString());
}

TEST_F(MaskEditLeave, CompleteOrUntouchedFieldsLeaveQuietly) {
    QSignalSpy exited(first, &TMaskEdit::Exited);
    Leave();  // untouched and empty
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(1, exited.count());

    first->setFocus(Qt::TabFocusReason);
    first->setCursorPosition(0);
    QTest::keyClicks(first, QStringLiteral("000500"));
    Leave();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(2, exited.count());
    EXPECT_EQ("00:05:00", first->text().toStdString());
}

TEST_F(MaskEditLeave, EscapeAbandonsTheChange) {
    first->setText(QStringLiteral("00:01:00"));
    first->setCursorPosition(0);
    QTest::keyClicks(first, QStringLiteral("12"));
    EXPECT_EQ("12:01:00", first->text().toStdString());
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_EQ("00:01:00", first->text().toStdString());
    EXPECT_FALSE(first->isModified());
    Leave();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
