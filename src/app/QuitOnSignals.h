#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a clean quit of the event loop: the signal handler
// only writes a byte to a pipe, and the loop reads it and quits, so everything is
// shut down by the ordinary destructors (saves finished, uploads kept).
class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

    // The signal that asked to quit, or 0.
    int received() const { return m_received; }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_received = 0;
};
