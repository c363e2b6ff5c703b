#pragma once

#include "CSerialportMP.h"
#include "IoServiceExec.h"
#include "ReceivedTextDecoder.h"

#include <QPlainTextEdit>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

class QInputMethodEvent;
class QKeyEvent;

// The terminal's received-data view, white on black. It owns the terminal's serial channel and
// the I/O thread that runs it. Received bytes are handed from the I/O thread to the GUI thread
// through m_rxPending and one queued call per read; the view shows them as UTF-8 text and keeps
// at most kTextLimit characters by dropping whole lines from the top. Keys typed into it go out
// at once as UTF-8; Enter sends the chosen line end.
class TermRichedit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Runs on the I/O thread; installed before the port is opened and not changed while open.
    using ErrorCallback = std::function<void(const TermRichedit*, const std::error_code&)>;

    static constexpr int kTextLimit = 32767;

    explicit TermRichedit(QWidget* parent = nullptr);
    ~TermRichedit() override;

    const CSerialportMP::Ptr& Port() const { return m_port; }
    IoServiceExec& IoService() { return m_ioService; }

    void SetLineEnd(bool carriageReturn, bool lineFeed);
    void SetErrorCallback(ErrorCallback callback) { m_errorCallback = std::move(callback); }

    // Shows `text` at the end, trimming whole lines from the top to stay within the limit,
    // and leaves the view scrolled to its end.
    void AppendText(const QString& text);
    // Empties the view and forgets received bytes not shown yet. For a closed, stopped port.
    void ClearReceived();

    // UTF-16 units decoded from the port since the last ClearReceived (shown or trimmed since).
    std::uint64_t ReceivedCharacters() const { return m_receivedCharacters; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void InitView();
    void OnRead(std::error_code& error, const std::vector<std::uint8_t>& data, unsigned int size);
    void OnWrite(std::error_code& error);
    void OnReceivedData();
    void TrimToLimit();
    void RemoveLeadingCharacters(int count);
    void MoveCaretToEnd();
    void OnEnter();
    void OnTypedText(const QString& text);
    void Send(const std::string& bytes);
    bool IsPortOpen() const;

    bool m_bLineEndCR = true;
    bool m_bLineEndLF = false;
    int m_nTextLimit = kTextLimit;
    IoServiceExec m_ioService;
    CSerialportMP::Ptr m_port;
    ErrorCallback m_errorCallback;
    std::mutex m_rxMutex;
    std::vector<std::uint8_t> m_rxPending;  // guarded by m_rxMutex
    ReceivedTextDecoder m_decoder;          // GUI thread only
    std::uint64_t m_receivedCharacters = 0;
};
