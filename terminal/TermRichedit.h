#pragma once

#include "ReceivedFormatter.h"

#include <QByteArray>
#include <QPlainTextEdit>

#include <cstddef>
#include <string_view>

class QInputMethodEvent;
class QKeyEvent;

// The terminal's received-data view, white on black. It shows what it is given (the updates of a
// TermChannel, markers of the page) and keeps at most its text limit by dropping whole lines
// from the top; an update over the limit is built only as far as it can stay. While the user
// holds it scrolled up it keeps its place, else it follows the end. Keys typed into it are
// emitted at once as UTF-8 (typed()); Enter gives the chosen line end. It knows no channel:
// TermViewLink connects the two.
class TermRichedit : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kTextLimit = 32767;

    explicit TermRichedit(QWidget* parent = nullptr);

    void SetLineEnd(bool carriageReturn, bool lineFeed);
    // Whether what is typed goes anywhere; offline (as the view starts) keys are swallowed and
    // nothing of them is shown.
    void SetOnline(bool online) { m_online = online; }

    // Shows `text` at the end, trimming whole lines from the top to stay within the limit,
    // and leaves the view scrolled to its end.
    void AppendText(const QString& text);
    // Applies one update of received data (see ShownUpdate).
    void ShowUpdate(const ShownUpdate& update);

    // While on, new data does not move a view the user has scrolled up; at the end it follows.
    void SetHoldWhenScrolledUp(bool on) { m_holdWhenScrolledUp = on; }
    void SetTextLimit(int characters);
    int TextLimit() const { return m_nTextLimit; }
    bool IsFollowing() const;

Q_SIGNALS:
    // Bytes typed into the view, to go out as they are.
    void typed(const QByteArray& bytes);
    void textLimitChanged(int characters);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void InitView();
    void AppendNewest(std::u16string_view finalText, std::u16string_view partialText);
    void RemoveTrailingCharacters(std::size_t count);
    int TrimToLimit();
    void RemoveLeadingCharacters(int count);
    void ScrollToEnd();
    void MoveCaretToEnd();
    void OnEnter();
    void OnTypedText(const QString& text);
    void Send(const QByteArray& bytes);

    bool m_bLineEndCR = true;
    bool m_bLineEndLF = false;
    bool m_online = false;
    bool m_holdWhenScrolledUp = false;
    int m_nTextLimit = kTextLimit;
};
