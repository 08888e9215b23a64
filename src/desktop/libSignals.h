#pragma once
// SIGINT and SIGTERM as an ordinary event: the handler only writes a byte to a
// pipe, and the event loop turns it into the Stopped signal, so the program
// stops the way it does when the user asks it to.

#include <QObject>

#include <csignal>

class QSocketNotifier;

class TStopSignals : public QObject
{
    Q_OBJECT
public:
    // Catches the two signals while it exists, then restores what was there.
    // Only one may exist at a time.
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

Q_SIGNALS:
    void Stopped();

private:
    bool FInstalled = false;
    struct sigaction FOldInt = {};
    struct sigaction FOldTerm = {};
    QSocketNotifier* FNotifier = nullptr;
};
