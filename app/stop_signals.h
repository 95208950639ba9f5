#pragma once
// SIGTERM, SIGINT and SIGHUP as a Qt signal on the thread of the event loop. The program closes its
// window on it, as if the user had closed it (settings saved, "d!" sent), when the desktop session
// ends or someone asks it to stop. A second signal of the same kind ends the program at once.
//
// One instance at a time; it restores the earlier handlers when it goes.
#include <QObject>
#include <csignal>

class QSocketNotifier;

class TStopSignals : public QObject {
    Q_OBJECT
  public:
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;

  signals:
    void Stop(int signalNumber);

  private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3]{};
};
