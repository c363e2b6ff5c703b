#pragma once

#include "ProfileApply.h"
#include "UnitRecord.h"

#include <QFrame>
#include <QString>

class QLabel;
class QProgressBar;

// One port of the fixture, readable from a metre away: the port, its state in a big word with
// an icon and a colour (never the colour alone), the name given and the module's address. A
// FAIL says why in one line; a click shows the unit's transcript. Its accessible name carries
// the whole state, so a screen reader or a test reads it as an operator does.
class StationTile : public QFrame {
    Q_OBJECT

public:
    // Present: listed when the run started; the station takes only ports that appear later.
    enum class State { Absent, Present, Waiting, Configuring, Pass, Fail, Duplicate };
    static constexpr int kMinimumWidth = 240;

    explicit StationTile(const QString& port, QWidget* parent = nullptr);

    const QString& Port() const { return m_port; }
    State CurrentState() const { return m_state; }
    QString StateText() const;  // the big word, in the user's language
    QString NameText() const;
    QString Reason() const { return m_reason; }
    QString Transcript() const { return m_transcript; }

    void ShowAbsent();
    void ShowPresent();
    void ShowWaiting();
    void ShowStarted(unsigned attempt, const QString& serial);
    void ShowProgress(const ApplyProgress& progress);
    void ShowRecord(const UnitRecord& record);

Q_SIGNALS:
    void transcriptRequested(StationTile* tile);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetState(State state);
    void Clear();
    void UpdateAccessibleName();

    QString m_port;
    State m_state = State::Absent;
    QString m_reason;
    QString m_transcript;
    QString m_serial;
    QLabel* m_portLabel = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_word = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_address = nullptr;
    QLabel* m_detail = nullptr;
};
