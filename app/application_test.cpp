#include "app/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QWidget>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"

namespace {

// A widget whose event handler fails, as a handler outside the window's guarded connections might.
class TFailingWidget : public QWidget {
  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) throw EFileError("Cannot open data.log: No such file or directory");
        return QWidget::event(event);
    }
};

TEST(Application, ErrorEscapingAnEventHandlerReachesTheReportAndTheProgramGoesOn) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_NE(nullptr, app);
    std::vector<std::string> reports;
    app->ErrorReport = [&reports](const std::string& what) { reports.push_back(what); };
    TFailingWidget widget;
    QEvent failing(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &failing));
    QEvent fine(QEvent::WindowTitleChange);
    QCoreApplication::sendEvent(&widget, &fine);
    app->ErrorReport = nullptr;
    EXPECT_EQ(std::vector<std::string>{"Cannot open data.log: No such file or directory"}, reports);
}

}  // namespace
