#include "TermFileSender.h"

#include "FileAsker.h"
#include "Prompter.h"
#include "TermChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <optional>

namespace {

// Short enough that a fast line stays busy, long enough that a slow one costs next to nothing.
constexpr int kFeedIntervalMs = 2;

}  // namespace

TermFileSender::TermFileSender(TermChannel* channel, QWidget* parent)
    : QWidget(parent), m_channel(channel) {
    m_send = new QPushButton(tr("Send file…"), this);
    m_send->setObjectName(QStringLiteral("termSendFile"));
    m_send->setAccessibleName(tr("Send file"));
    m_send->setAutoDefault(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("termSendProgress"));
    m_progress->setAccessibleName(tr("File sending progress"));
    m_progress->setRange(0, 1000);
    m_progress->hide();
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("termSendCancel"));
    m_cancel->setAccessibleName(tr("Cancel sending the file"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_send);
    layout->addWidget(m_progress, 1);
    layout->addWidget(m_cancel);

    m_feed.setInterval(kFeedIntervalMs);
    connect(&m_feed, &QTimer::timeout, this, &TermFileSender::Feed);
    connect(m_send, &QPushButton::clicked, this, &TermFileSender::OnSendClicked);
    connect(m_cancel, &QPushButton::clicked, this, &TermFileSender::Cancel);
}

void TermFileSender::OnSendClicked() {
    FileAsker::Request request;
    request.caption = tr("Send file");
    if (const std::optional<FileAsker::Answer> file = FileAsker::Ask(this, request)) {
        SendFile(file->path);
    }
}

void TermFileSender::SendFile(const QString& path) {
    Cancel();
    m_file.setFileName(path);
    if (!QFileInfo(path).isFile() || !m_file.open(QIODevice::ReadOnly)) {
        ShowError(tr("The file %1 cannot be read.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_sent = 0;
    m_pending.clear();
    m_pendingStart = 0;
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    m_send->setEnabled(false);
    m_feed.start();
    Feed();
}

void TermFileSender::Cancel() {
    if (IsSending()) {
        Finish(false);
    }
}

// Hands the channel as much as its queue takes now; the rest waits for the next round.
void TermFileSender::Feed() {
    if (!m_channel->IsOpen()) {
        Finish(false);
        return;
    }
    while (FillPending()) {
        const std::size_t offered = m_pending.size() - m_pendingStart;
        const std::size_t taken = m_channel->Write(m_pending.data() + m_pendingStart, offered);
        m_pendingStart += taken;
        m_sent += static_cast<qint64>(taken);
        if (taken < offered) {
            break;
        }
    }
    const qint64 size = m_file.size();
    m_progress->setValue(size > 0 ? static_cast<int>(m_sent * 1000 / size) : 1000);
    if (m_file.error() != QFileDevice::NoError) {
        const QString name = QDir::toNativeSeparators(m_file.fileName());
        Finish(false);
        ShowError(tr("The file %1 cannot be read.").arg(name));
    } else if (m_pendingStart == m_pending.size() && m_file.atEnd()) {
        Finish(true);
    }
}

// Whether there are bytes to offer, reading the next piece once the last one is taken.
bool TermFileSender::FillPending() {
    if (m_pendingStart < m_pending.size()) {
        return true;
    }
    m_pending.resize(kReadPiece);
    const qint64 read = m_file.read(m_pending.data(), static_cast<qint64>(m_pending.size()));
    m_pending.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    m_pendingStart = 0;
    return !m_pending.empty();
}

void TermFileSender::Finish(bool complete) {
    m_feed.stop();
    m_file.close();
    m_pending.clear();
    m_pendingStart = 0;
    m_progress->hide();
    m_cancel->hide();
    m_send->setEnabled(true);
    Q_EMIT finished(complete);
}

void TermFileSender::ShowError(const QString& text) {
    Prompter::Ask(this, text, Prompter::Icon::Error);
}
