#include "TermReconnector.h"

#include <QDir>
#include <QFileInfo>

TermReconnector::TermReconnector(Opener open, QObject* parent)
    : QObject(parent), m_open(std::move(open)) {
    m_retry.setInterval(kRetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &TermReconnector::TryOpen);
}

void TermReconnector::Remember(const QString& path) {
    m_path = path;
    m_link = LinkTo(m_linkFolder, path);
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
        m_retry.start();
    }
}

void TermReconnector::Cancel() {
    m_retry.stop();
}

void TermReconnector::TryOpen() {
    for (const QString& candidate : {m_path, m_link}) {
        // Only an entry that is there is tried: a missing device costs no failed open.
        if (candidate.isEmpty() || !QFileInfo::exists(candidate)) {
            continue;
        }
        if (m_open(candidate)) {
            m_retry.stop();
            Q_EMIT reopened(candidate);
            return;
        }
    }
}
