#pragma once

#include <QBuffer>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <vector>

class QProgressBar;
class QPushButton;
class QSpinBox;
class TermChannel;

// "Send file…": sends a file's bytes as they are, with a progress bar and Cancel. The file is
// fed into the channel's bounded queue a piece at a time, on the window thread, whenever the
// queue has room, so a file of any size goes out whole and the window never waits on it. Pasted
// text goes the same way (SendBytes). A line delay and a character delay (stored) pace both
// for modules with small input buffers: a pause after each line end (LF, or CR not followed by
// LF) and after each character; with either set the queue is fed a line or a byte at a time.
class TermFileSender : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t kReadPiece = 16 * 1024;

    TermFileSender(TermChannel* channel, QWidget* parent = nullptr);

    // Starts sending `path` (a send under way is cancelled first). A missing or unreadable file
    // is reported with a message and nothing is sent.
    void SendFile(const QString& path);
    // Starts sending `bytes` as SendFile sends a file.
    void SendBytes(const QByteArray& bytes);
    // Stops feeding the queue; what the channel has taken already still goes out.
    void Cancel();
    bool IsSending() const { return m_source != nullptr; }
    // Bytes taken by the channel so far in the current (or last) send.
    qint64 SentBytes() const { return m_sent; }

Q_SIGNALS:
    void finished(bool complete);

private:
    void OnSendClicked();
    void BuildDelays();
    void Begin(QIODevice* source);
    void Feed();
    void FeedFree();
    void FeedPaced();
    std::size_t PacedCount() const;
    bool EndsLine(std::size_t end) const;
    bool FillPending();
    void Finish(bool complete);
    void ShowError(const QString& text);

    TermChannel* m_channel;
    QFile m_file;
    QBuffer m_buffer;
    QIODevice* m_source = nullptr;  // m_file or m_buffer while sending
    int m_lineDelayMs = 0;          // of the send under way
    int m_charDelayMs = 0;
    std::vector<char> m_pending;  // read from the file, not yet taken by the channel
    std::size_t m_pendingStart = 0;
    qint64 m_sent = 0;
    QTimer m_feed;
    QPushButton* m_send = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QSpinBox* m_lineDelay = nullptr;
    QSpinBox* m_charDelay = nullptr;
};
