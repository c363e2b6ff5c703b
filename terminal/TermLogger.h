#pragma once

#include "PlainTextFilter.h"
#include "TermLogWriter.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <system_error>

class QWidget;
class TermChannel;

// The terminal's "Log…": asks for a file, then appends everything the channel hands out to it,
// either the bytes as received or the text as shown (with its time stamps or hex rows). The
// writing runs on a TermLogWriter thread. A write error stops the log with one message; the
// port and the view carry on. The log is independent of the port: it stays on across closing,
// "Setup COM port" and reopening until the user stops it, and ends with the program.
class TermLogger : public QObject {
    Q_OBJECT

public:
    // The save dialog's filters, in order: the bytes as received, the text as shown, and the
    // text as shown without escape sequences and control characters.
    enum LogFilter : int { kFilterRaw, kFilterShown, kFilterPlain };

    TermLogger(TermChannel* channel, QWidget* owner);
    ~TermLogger() override;

    // Shows the dialog and starts logging to the chosen file. Returns whether logging is on.
    bool Start();
    // Stops logging; a log of the text as shown ends with the unfinished row the view shows, as
    // a line.
    void Stop();
    bool IsLogging() const { return m_logging; }
    QString Path() const { return m_path; }
    // The port the default file name mentions.
    void SetPortName(const QString& portName) { m_portName = portName; }

Q_SIGNALS:
    // An empty text when logging has stopped.
    void statusChanged(const QString& text);

private:
    QString SuggestedPath() const;
    void AppendShown(std::u16string_view shown);
    void OnWriteError(unsigned run, const std::error_code& error);

    QPointer<TermChannel> m_channel;     // the page may take the channel down first
    QMetaObject::Connection m_received;  // ends with the channel if the page takes it down first
    QWidget* m_owner;
    TermLogWriter m_writer;
    QString m_portName;
    QString m_path;
    bool m_logging = false;
    bool m_asShown = false;
    bool m_plain = false;
    PlainTextFilter m_filter;  // for a plain log
    unsigned m_run = 0;        // so an error of a stopped log cannot stop the next one
};
