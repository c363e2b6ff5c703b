#include "TermReconnector.h"

#include "NetworkChannel.h"

#include <QDir>
#include <QFileInfo>

TermReconnector::TermReconnector(Opener open, QObject* parent)
    : QObject(parent), m_open(std::move(open)) {
    m_retry.setInterval(kRetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &TermReconnector::TryOpen);
}

void TermReconnector::Remember(const QString& path) {
    m_path = path;
    m_link = IsNetworkPort(path.toStdString()) ? QString() : LinkTo(m_linkFolder, path);
}

QString TermReconnector::LinkTo(const QString& folder, const QString& path) {
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty()) {
        return {};
    }
    const QDir links(folder);
    for (const QFileInfo& entry : links.entryInfoList(QDir::Files | QDir::System)) {
        if (entry.canonicalFilePath() == device) {
            return entry.absoluteFilePath();
        }
    }
    return {};
}

void TermReconnector::Begin() {
    if (!m_path.isEmpty()) {
        // Every try at a network port connects on the window thread; a refused connection
        // returns at once, but a host that does not answer holds the try for the connect limit.
        m_retry.start(IsNetworkPort(m_path.toStdString()) ? kNetworkRetryIntervalMs
                                                          : kRetryIntervalMs);
    }
}

void TermReconnector::Cancel() {
    m_retry.stop();
}

void TermReconnector::TryOpen() {
    for (const QString& candidate : {m_path, m_link}) {
        // Only a device that is there is tried: a missing one costs no failed open. A network
        // port can only be tried.
        if (candidate.isEmpty() ||
            (!IsNetworkPort(candidate.toStdString()) && !QFileInfo::exists(candidate))) {
            continue;
        }
        if (m_open(candidate)) {
            m_retry.stop();
            Q_EMIT reopened(candidate);
            return;
        }
    }
}
