#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, a closed terminal)
// into a Qt signal delivered by the event loop, so the program can end the
// normal way and save, instead of being killed with its edits in memory.
// The handler only writes the signal's number to a pipe that a socket
// notifier watches. One instance at a time.
class CQuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit CQuitSignals(QObject *parent = nullptr);
    ~CQuitSignals() override;

Q_SIGNALS:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
