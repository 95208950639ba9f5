#pragma once
// The application object. An error that escapes an event handler of any widget (not only the
// handlers the window connects through TForm1::Guarded) is caught where the event is delivered and
// passed to ErrorReport, so that it ends that event and the program goes on.
#include <QApplication>
#include <functional>
#include <string>

class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);

    // Shows an error text (UTF-8). Without one the error is written to stderr.
    std::function<void(const std::string&)> ErrorReport;

    bool notify(QObject* receiver, QEvent* event) override;
};
