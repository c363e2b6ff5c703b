#include "TermRecorder.h"

#include "FileAsker.h"
#include "Prompter.h"
#include "TermChannel.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>

#include <optional>

TermRecorder::TermRecorder(TermChannel* channel, QWidget* owner)
    : QObject(owner), m_channel(channel), m_owner(owner) {}

TermRecorder::~TermRecorder() {
    Stop();
}

bool TermRecorder::Start() {
    Stop();
    FileAsker::Request request;
    request.purpose = FileAsker::Purpose::Save;
    request.caption = tr("Record session");
    request.path =
        QDir::homePath() +
        QStringLiteral("/skw-%1.session")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    request.filters = {tr("Session recordings (*.session)")};
    const std::optional<FileAsker::Answer> answer = FileAsker::Ask(m_owner, request);
    if (!answer || !m_channel) {
        return false;
    }
    if (const std::error_code error =
            m_channel->Recorder().Start(QFile::encodeName(answer->path).toStdString())) {
        Prompter::Ask(m_owner,
                      tr("The session file %1 cannot be written: %2")
                          .arg(QDir::toNativeSeparators(answer->path),
                               QString::fromStdString(error.message())),
                      Prompter::Icon::Error);
        return false;
    }
    Q_EMIT recordingChanged(answer->path);
    return true;
}

void TermRecorder::Stop() {
    if (!IsRecording()) {
        return;
    }
    m_channel->Recorder().Stop();
    Q_EMIT recordingChanged(QString());
}

bool TermRecorder::IsRecording() const {
    return m_channel && m_channel->Recorder().IsRecording();
}
