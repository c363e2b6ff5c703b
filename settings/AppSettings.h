#pragma once

#include <QString>
#include <QStringList>

// The per-user values that survive between runs, in the application's QSettings (organisation
// "Quorvex", application = executable name). Values are never cached: every read goes to the
// store, so what one window writes the next one sees. A missing or unreadable value reads as its
// default; a failed write is ignored.
//
// Callers use the typed pairs below; the value names and their encoding stay inside this
// library (they are stored data and keep their historic spelling).
namespace AppSettings {

inline constexpr int kOpModeConfigurator = 1;
inline constexpr int kOpModeTerminal = 2;
inline constexpr int kOpModeProduction = 3;

// kOpModeTerminal or kOpModeProduction when 2 or 3 is stored; anything else is
// kOpModeConfigurator.
int OpMode();
void SetOpMode(int mode);

QString ComPort();
void SetComPort(const QString& port);
// Network ports (rfc2217:// and socket://) the user confirmed, the most recent first.
QStringList RemotePorts();
void SetRemotePorts(const QStringList& ports);

int BaudRate();
void SetBaudRate(int baudRate);

int FlowControl();
void SetFlowControl(int flowControl);

bool NameFilterChecked();
void SetNameFilterChecked(bool checked);
QString NameFilterValue();
void SetNameFilterValue(const QString& filter);

bool RssiFilterChecked();
void SetRssiFilterChecked(bool checked);
int RssiFilterValue();
void SetRssiFilterValue(int dBm);

bool LineEndCarriageReturn();
void SetLineEndCarriageReturn(bool on);
bool LineEndLineFeed();
void SetLineEndLineFeed(bool on);

// The terminal view's options (all off by default; the scrollback defaults to 32,767
// characters, the view's own limit).
bool TermTimestamps();
void SetTermTimestamps(bool on);
bool TermHexView();
void SetTermHexView(bool on);
bool TermHoldScroll();
void SetTermHoldScroll(bool on);
int TermScrollback();
void SetTermScrollback(int characters);
bool TermLogAsShown();  // the log file gets what the view shows instead of the raw bytes
void SetTermLogAsShown(bool on);
// The terminal's output lines, applied when its port opens (both asserted by default, as a port
// opens), and whether it reopens a lost port by itself (off by default).
bool TermDtr();
void SetTermDtr(bool asserted);
bool TermRts();
void SetTermRts(bool asserted);
bool TermAutoReconnect();
void SetTermAutoReconnect(bool on);
// How the terminal's time stamps read (0 time of day, the default, 1 with the date, 2 seconds
// since the port opened, 3 the gap since the previous line); out of range reads as 0.
int TermStampFormat();
void SetTermStampFormat(int format);
// Whether opening and closing the terminal's port leave DTR and RTS as they are (off by
// default: the stored DTR and RTS choice is applied on opening).
bool TermLeaveLines();
void SetTermLeaveLines(bool on);
// Whether the text log drops ANSI escape sequences and other control characters (off).
bool TermLogPlainText();
void SetTermLogPlainText(bool on);
// Pauses of "Send file…" and of pasted lines, after each line and each character, in ms (0).
int TermLineDelayMs();
void SetTermLineDelayMs(int ms);
int TermCharDelayMs();
void SetTermCharDelayMs(int ms);
// The terminal's macros, as the text its macro row wrote (JSON); empty when there are none.
QString TermMacros();
void SetTermMacros(const QString& text);

// The production page's fields: the settings file, the ports (a pattern, default "*", or the
// ticked ports), who and what is recorded (this station's database unless the line's is
// chosen).
QString ProdSettingsFile();
void SetProdSettingsFile(const QString& path);
bool ProdUseTickedPorts();
void SetProdUseTickedPorts(bool on);
QString ProdPortPattern();
void SetProdPortPattern(const QString& pattern);
QStringList ProdTickedPorts();
void SetProdTickedPorts(const QStringList& ports);
QString ProdStation();
void SetProdStation(const QString& station);
QString ProdOperator();
void SetProdOperator(const QString& name);
QString ProdLot();
void SetProdLot(const QString& lot);
bool ProdRecordToLine();
void SetProdRecordToLine(bool on);
QString ProdRecordAddress();
void SetProdRecordAddress(const QString& address);

// Every stored value, for test support that must store what no setter would (an unreadable
// value, nothing at all) or read what was stored.
enum class Value {
    OpMode,
    ComPort,
    BaudRate,
    FlowControl,
    NameFilterCheck,
    NameFilterValue,
    RssiFilterCheck,
    RssiFilterValue,
    LineEndCr,
    LineEndLf,
    TermTimestamps,
    TermHexView,
    TermHoldScroll,
    TermScrollback,
    TermLogAsShown,
    TermDtr,
    TermRts,
    TermAutoReconnect,
    RemotePorts,
    TermStampFormat,
    TermLeaveLines,
    TermLogPlainText,
    TermLineDelay,
    TermCharDelay,
    TermMacros,
    ProdSettingsFile,
    ProdUseTickedPorts,
    ProdPortPattern,
    ProdTickedPorts,
    ProdStation,
    ProdOperator,
    ProdLot,
    ProdRecordToLine,
    ProdRecordAddress,
};

// The QSettings key of `value`: "<group>/<name>".
QString StoreKey(Value value);

}  // namespace AppSettings
