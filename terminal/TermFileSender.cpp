#include "TermFileSender.h"

#include "AppSettings.h"
#include "FileAsker.h"
#include "Prompter.h"
#include "TermChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

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
    BuildDelays();
    // The delays are kept to the millisecond.
    m_feed.setTimerType(Qt::PreciseTimer);

    connect(&m_feed, &QTimer::timeout, this, &TermFileSender::Feed);
    connect(m_send, &QPushButton::clicked, this, &TermFileSender::OnSendClicked);
    connect(m_cancel, &QPushButton::clicked, this, &TermFileSender::Cancel);
}

namespace {

QSpinBox* NewDelay(const QString& label, const QString& accessibleName, const char* objectName,
                   int stored, QWidget* parent, QHBoxLayout* layout) {
    auto* caption = new QLabel(label, parent);
    caption->setAccessibleName(label);
    auto* delay = new QSpinBox(parent);
    delay->setObjectName(QLatin1String(objectName));
    delay->setAccessibleName(accessibleName);
    // The box's own field is what assistive tools reach first.
    if (auto* field = delay->findChild<QLineEdit*>()) {
        field->setAccessibleName(accessibleName);
    }
    delay->setRange(0, 10'000);
    delay->setSuffix(TermFileSender::tr(" ms"));
    delay->setValue(stored);
    caption->setBuddy(delay);
    layout->addWidget(caption);
    layout->addWidget(delay);
    return delay;
}

}  // namespace

// The pauses for modules with small input buffers, for files and pasted text alike.
void TermFileSender::BuildDelays() {
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    m_lineDelay = NewDelay(tr("Line delay:"), tr("Delay after each line (ms)"), "termLineDelay",
                           AppSettings::TermLineDelayMs(), this, layout);
    m_charDelay = NewDelay(tr("Character delay:"), tr("Delay after each character (ms)"),
                           "termCharDelay", AppSettings::TermCharDelayMs(), this, layout);
    connect(m_lineDelay, &QSpinBox::valueChanged, this, &AppSettings::SetTermLineDelayMs);
    connect(m_charDelay, &QSpinBox::valueChanged, this, &AppSettings::SetTermCharDelayMs);
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
    Begin(&m_file);
}

void TermFileSender::SendBytes(const QByteArray& bytes) {
    Cancel();
    m_buffer.close();
    m_buffer.setData(bytes);
    m_buffer.open(QIODevice::ReadOnly);
    Begin(&m_buffer);
}

void TermFileSender::Begin(QIODevice* source) {
    m_source = source;
    m_sent = 0;
    m_pending.clear();
    m_pendingStart = 0;
    m_lineDelayMs = m_lineDelay->value();
    m_charDelayMs = m_charDelay->value();
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    m_send->setEnabled(false);
    // Paced, each round sets the pause before the next one.
    m_feed.setSingleShot(m_lineDelayMs > 0 || m_charDelayMs > 0);
    m_feed.setInterval(kFeedIntervalMs);
    m_feed.start();
    Feed();
}

void TermFileSender::Cancel() {
    if (IsSending()) {
        Finish(false);
    }
}

void TermFileSender::Feed() {
    if (!m_channel->IsOpen()) {
        Finish(false);
        return;
    }
    if (m_feed.isSingleShot()) {
        FeedPaced();
    } else {
        FeedFree();
    }
    const qint64 size = m_source->size();
    m_progress->setValue(size > 0 ? static_cast<int>(m_sent * 1000 / size) : 1000);
    if (m_source == &m_file && m_file.error() != QFileDevice::NoError) {
        const QString name = QDir::toNativeSeparators(m_file.fileName());
        Finish(false);
        ShowError(tr("The file %1 cannot be read.").arg(name));
    } else if (m_pendingStart == m_pending.size() && m_source->atEnd()) {
        Finish(true);
    }
}

// Hands the channel as much as its queue takes now; the rest waits for the next round.
void TermFileSender::FeedFree() {
    while (FillPending()) {
        const std::size_t offered = m_pending.size() - m_pendingStart;
        const std::size_t taken = m_channel->Write(m_pending.data() + m_pendingStart, offered);
        m_pendingStart += taken;
        m_sent += static_cast<qint64>(taken);
        if (taken < offered) {
            break;
        }
    }
}

// Hands the channel one character (or, with only a line delay, the rest of a line), then waits
// the delays before the next round.
void TermFileSender::FeedPaced() {
    if (!FillPending()) {
        return;
    }
    const std::size_t count = PacedCount();
    const std::size_t taken = m_channel->Write(m_pending.data() + m_pendingStart, count);
    m_pendingStart += taken;
    m_sent += static_cast<qint64>(taken);
    if (taken < count) {
        m_feed.start(kFeedIntervalMs);  // the queue is full: again once it has room
        return;
    }
    m_feed.start(m_charDelayMs + (EndsLine(m_pendingStart) ? m_lineDelayMs : 0));
}

std::size_t TermFileSender::PacedCount() const {
    if (m_charDelayMs > 0) {
        return 1;
    }
    for (std::size_t end = m_pendingStart + 1; end <= m_pending.size(); ++end) {
        if (EndsLine(end)) {
            return end - m_pendingStart;
        }
    }
    return m_pending.size() - m_pendingStart;
}

// Whether the byte before `end` ends a line: LF, or CR not followed by LF.
bool TermFileSender::EndsLine(std::size_t end) const {
    const char last = m_pending[end - 1];
    return last == '\n' || (last == '\r' && (end == m_pending.size() || m_pending[end] != '\n'));
}

// Whether there are bytes to offer, reading the next piece once the last one is taken.
bool TermFileSender::FillPending() {
    if (m_pendingStart < m_pending.size()) {
        return true;
    }
    m_pending.resize(kReadPiece);
    const qint64 read = m_source->read(m_pending.data(), static_cast<qint64>(m_pending.size()));
    m_pending.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    m_pendingStart = 0;
    return !m_pending.empty();
}

void TermFileSender::Finish(bool complete) {
    m_feed.stop();
    m_source = nullptr;
    m_file.close();
    m_buffer.close();
    m_buffer.setData(QByteArray());
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
