#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TermChannel;

// The terminal's "Record session…": asks for a file and records both directions of the session
// into it with their times (SessionRecorder, inside the channel), until Stop. A recording can be
// played back as the device with skw-module-sim --replay. It goes on across closing and
// reopening the port, like a log.
class TermRecorder : public QObject {
    Q_OBJECT

public:
    TermRecorder(TermChannel* channel, QWidget* owner);
    ~TermRecorder() override;

    // Shows the dialog and starts recording to the chosen file; returns whether it records.
    bool Start();
    void Stop();
    bool IsRecording() const;

Q_SIGNALS:
    // The file recorded to; empty once recording stopped.
    void recordingChanged(const QString& path);

private:
    QPointer<TermChannel> m_channel;  // the page may take the channel down first
    QWidget* m_owner;
};
