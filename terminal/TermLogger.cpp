#include "TermLogger.h"

#include "AppSettings.h"
#include "Conversions.h"
#include "FileAsker.h"
#include "Prompter.h"
#include "TermChannel.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>

#include <optional>

namespace {

struct LogChoice {
    QString path;
    bool asShown = false;
    bool plain = false;
};

std::optional<LogChoice> AskForLogFile(QWidget* owner, const QString& suggestedPath, bool asShown,
                                       bool plain) {
    FileAsker::Request request;
    request.purpose = FileAsker::Purpose::Save;
    request.caption = TermLogger::tr("Log received data");
    request.path = suggestedPath;
    if (asShown) {
        request.path = QFileInfo(suggestedPath).path() + '/' +
                       QFileInfo(suggestedPath).completeBaseName() + ".txt";
    }
    request.filters = {TermLogger::tr("Raw bytes as received (*.log)"),
                       TermLogger::tr("Text as shown, with time stamps (*.txt)"),
                       TermLogger::tr("Text as shown, without escape sequences (*.txt)")};
    request.filter = !asShown ? TermLogger::kFilterRaw
                     : plain  ? TermLogger::kFilterPlain
                              : TermLogger::kFilterShown;
    // The log is appended to, so choosing an existing file replaces nothing.
    request.confirmOverwrite = false;
    const std::optional<FileAsker::Answer> answer = FileAsker::Ask(owner, request);
    if (!answer) {
        return std::nullopt;
    }
    return LogChoice{answer->path, answer->filter != TermLogger::kFilterRaw,
                     answer->filter == TermLogger::kFilterPlain};
}

QString FileNamePart(QString text) {
    static const QRegularExpression kUnsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    return text.replace(kUnsafe, QStringLiteral("_"));
}

}  // namespace

TermLogger::TermLogger(TermChannel* channel, QWidget* owner)
    : QObject(owner), m_channel(channel), m_owner(owner) {}

TermLogger::~TermLogger() {
    Stop();
}

QString TermLogger::SuggestedPath() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    const QString port =
        m_portName.isEmpty() ? QStringLiteral("terminal") : QFileInfo(m_portName).fileName();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return folder + QStringLiteral("/skw-%1-%2.log").arg(FileNamePart(port), stamp);
}

bool TermLogger::Start() {
    Stop();
    const std::optional<LogChoice> choice = AskForLogFile(
        m_owner, SuggestedPath(), AppSettings::TermLogAsShown(), AppSettings::TermLogPlainText());
    if (!choice) {
        return false;
    }
    AppSettings::SetTermLogAsShown(choice->asShown);
    AppSettings::SetTermLogPlainText(choice->plain);
    const unsigned run = ++m_run;
    const std::error_code error = m_writer.Start(
        QFile::encodeName(choice->path).toStdString(), [this, run](const std::error_code& failure) {
            QMetaObject::invokeMethod(
                this, [this, run, failure] { OnWriteError(run, failure); }, Qt::QueuedConnection);
        });
    if (error) {
        Prompter::Ask(m_owner,
                      tr("The log file %1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(choice->path),
                               QString::fromStdString(error.message())),
                      Prompter::Icon::Error);
        return false;
    }
    m_path = choice->path;
    m_logging = true;
    m_asShown = choice->asShown;
    m_plain = choice->plain;
    m_filter.Reset();
    m_received = connect(m_channel, &TermChannel::received, this,
                         [this](std::string_view raw, std::u16string_view shown) {
                             if (m_asShown) {
                                 AppendShown(shown);
                             } else {
                                 m_writer.Append(raw);
                             }
                         });
    Q_EMIT statusChanged(tr("Logging to %1").arg(QFileInfo(m_path).fileName()));
    return true;
}

void TermLogger::Stop() {
    if (!m_logging) {
        return;
    }
    disconnect(m_received);
    if (const std::u16string row = m_channel ? m_channel->UnfinishedRow() : std::u16string();
        m_asShown && !row.empty()) {
        AppendShown(row + u'\n');
    }
    m_writer.Stop();
    m_logging = false;
    Q_EMIT statusChanged(QString());
}

void TermLogger::AppendShown(std::u16string_view shown) {
    m_writer.Append(WideToUtf8(m_plain ? m_filter.Filter(shown) : std::u16string(shown)));
}

void TermLogger::OnWriteError(unsigned run, const std::error_code& error) {
    if (run != m_run || !m_logging) {
        return;
    }
    const QString path = m_path;
    Stop();
    Prompter::Ask(m_owner,
                  tr("Logging stopped: writing to %1 failed: %2")
                      .arg(QDir::toNativeSeparators(path), QString::fromStdString(error.message())),
                  Prompter::Icon::Error);
}
