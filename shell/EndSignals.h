#pragma once
// The signals by which the system asks a program to end (SIGTERM, SIGINT, SIGHUP) reach the
// event loop through a pipe, so the program ends through its normal shutdown rather than
// losing what it stores as it quits. A second request, should that shutdown hang, ends the
// program at once. One instance at a time; nothing on Windows.
#include <QObject>

#include <functional>

class QSocketNotifier;

class TEndSignals : public QObject
{
public:
    explicit TEndSignals(QObject *Parent = nullptr);
    ~TEndSignals() override;
    // Runs in the event loop, once, at the first of the signals.
    std::function<void()> OnEnd;

private:
    void Arrived();
    QSocketNotifier *FNotifier = nullptr;
    bool FEnded = false;
};
