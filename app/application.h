#pragma once
// The application object. An error that escapes an event handler of any widget (not only the
// handlers the window connects through TForm1::Guarded) is caught where the event is delivered and
// passed to ErrorReport, so that it ends that event and the program goes on.
#include <QApplication>
#include <functional>
#include <memory>
#include <string>

class QTranslator;

class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);

    // Shows an error text (UTF-8). Without one the error is written to stderr.
    std::function<void(const std::string&)> ErrorReport;

    bool notify(QObject* receiver, QEvent* event) override;
};

// Installs Qt's own Polish translations (qtbase_pl.qm from Qt's translations folder) into `app`,
// so that the standard dialogs and buttons speak the window's language; the program's own texts
// are not translated. The translations stay installed while the result lives. Null, with nothing
// installed, when the file is missing (the standard texts then stay English).
std::unique_ptr<QTranslator> InstallQtTranslations(QCoreApplication& app);
