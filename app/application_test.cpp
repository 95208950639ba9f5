#include "app/application.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
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

// The texts of the push buttons of the next modal dialog, which is then rejected. Empty when no
// dialog came.
std::vector<QString> ButtonsOfNextDialog(const std::function<void()>& open) {
    std::vector<QString> texts;
    QTimer::singleShot(0, [&texts] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (const QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isVisible()) texts.push_back(button->text().remove(QLatin1Char('&')));
        dialog->reject();
    });
    open();
    std::sort(texts.begin(), texts.end());
    return texts;
}

TEST(Application, StandardDialogsOfTheWindowSpeakPolish) {
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::unique_ptr<QTranslator> translations = InstallQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(nullptr, translations) << "qtbase_pl.qm is missing (qt6-translations-l10n)";
    TForm1 form(TForm1::TEnvironment{dir.path().toStdString() + "/lorv304d", nullptr});  // the desktop's own dialogs
    form.show();

    EXPECT_EQ((std::vector<QString>{QStringLiteral("Nie"), QStringLiteral("Tak")}),
              ButtonsOfNextDialog([&form] { form.btNew->click(); }));
    // Qt's own Polish word for the save dialog's button.
    EXPECT_EQ((std::vector<QString>{QStringLiteral("Anuluj"), QStringLiteral("Zachowaj")}),
              ButtonsOfNextDialog([&form] { form.Zapiszjako1->trigger(); }));
}

}  // namespace
