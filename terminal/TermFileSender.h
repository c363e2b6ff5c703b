#pragma once

#include <QFile>
#include <QTimer>
#include <QWidget>

#include <vector>

class QProgressBar;
class QPushButton;
class TermChannel;

// "Send file…": sends a file's bytes as they are, with a progress bar and Cancel. The file is
// fed into the channel's bounded queue a piece at a time, on the window thread, whenever the
// queue has room, so a file of any size goes out whole and the window never waits on it.
class TermFileSender : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t kReadPiece = 16 * 1024;

    TermFileSender(TermChannel* channel, QWidget* parent = nullptr);

    // Starts sending `path` (a send under way is cancelled first). A missing or unreadable file
    // is reported with a message and nothing is sent.
    void SendFile(const QString& path);
    // Stops feeding the queue; what the channel has taken already still goes out.
    void Cancel();
    bool IsSending() const { return m_file.isOpen(); }
    // Bytes taken by the channel so far in the current (or last) send.
    qint64 SentBytes() const { return m_sent; }

Q_SIGNALS:
    void finished(bool complete);

private:
    void OnSendClicked();
    void Feed();
    bool FillPending();
    void Finish(bool complete);
    void ShowError(const QString& text);

    TermChannel* m_channel;
    QFile m_file;
    std::vector<char> m_pending;  // read from the file, not yet taken by the channel
    std::size_t m_pendingStart = 0;
    qint64 m_sent = 0;
    QTimer m_feed;
    QPushButton* m_send = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
};
