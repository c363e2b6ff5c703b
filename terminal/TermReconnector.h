#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Waits for a lost port to come back and reopens it. The port is looked for under the path the
// user opened and, on Linux, under the /dev/serial/by-id/ link that named the same device when it
// was opened: a USB adapter plugged in again may come back as another ttyUSB, but keeps its
// by-id link. A network port (rfc2217://, socket://) is tried under its name, less often.
// Waiting is a timer on the window thread; Cancel ends it at once.
class TermReconnector : public QObject {
    Q_OBJECT

public:
    // Tries to open the port at `path` with the settings it had; true when it is open again.
    using Opener = std::function<bool(const QString& path)>;

    static constexpr int kRetryIntervalMs = 250;
    static constexpr int kNetworkRetryIntervalMs = 1000;

    explicit TermReconnector(Opener open, QObject* parent = nullptr);

    // Notes the port just opened, and the by-id link to it while the device is there to see.
    void Remember(const QString& path);
    void Begin();
    void Cancel();
    bool IsWaiting() const { return m_retry.isActive(); }
    QString Path() const { return m_path; }

    // The entry of `folder` that leads to the same device as `path`; empty if none does.
    static QString LinkTo(const QString& folder, const QString& path);
    // For tests: where the by-id links are looked for.
    void SetLinkFolder(const QString& folder) { m_linkFolder = folder; }

Q_SIGNALS:
    void reopened(const QString& path);

private:
    void TryOpen();

    Opener m_open;
    QString m_path;
    QString m_link;
    QString m_linkFolder = QStringLiteral("/dev/serial/by-id");
    QTimer m_retry;
};
