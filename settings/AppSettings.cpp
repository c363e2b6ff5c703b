#include "AppSettings.h"

#include <QSettings>

#include <algorithm>

namespace AppSettings {

namespace {

// The stored group and value names, spelled as the settings files in use spell them.
constexpr char kGroup[] = "Default Values";

const char* StoredName(Value value) {
    switch (value) {
        case Value::OpMode:
            return "Applicatoin Op Mode";
        case Value::ComPort:
            return "Application COM port";
        case Value::BaudRate:
            return "Application buadrate";
        case Value::FlowControl:
            return "Application flow control";
        case Value::NameFilterCheck:
            return "Name filter check";
        case Value::NameFilterValue:
            return "Name filter value";
        case Value::RssiFilterCheck:
            return "RSSI filter check";
        case Value::RssiFilterValue:
            return "RSSI filter value";
        case Value::LineEndCr:
            return "Line end carriage return";
        case Value::LineEndLf:
            return "Line end line feed";
        case Value::TermTimestamps:
            return "Terminal timestamps";
        case Value::TermHexView:
            return "Terminal hex view";
        case Value::TermHoldScroll:
            return "Terminal hold when scrolled up";
        case Value::TermScrollback:
            return "Terminal scrollback characters";
        case Value::TermLogAsShown:
            return "Terminal log as shown";
        case Value::TermDtr:
            return "Terminal DTR";
        case Value::TermRts:
            return "Terminal RTS";
        case Value::TermAutoReconnect:
            return "Terminal automatic reconnect";
        case Value::RemotePorts:
            return "Remote ports";
        case Value::TermStampFormat:
            return "Terminal timestamp format";
        case Value::TermLeaveLines:
            return "Terminal leave DTR and RTS";
        case Value::TermLogPlainText:
            return "Terminal log without control sequences";
        case Value::TermLineDelay:
            return "Terminal line delay";
        case Value::TermCharDelay:
            return "Terminal character delay";
        case Value::TermMacros:
            return "Terminal macros";
        case Value::ProdSettingsFile:
            return "Production settings file";
        case Value::ProdUseTickedPorts:
            return "Production ticked ports only";
        case Value::ProdPortPattern:
            return "Production port pattern";
        case Value::ProdTickedPorts:
            return "Production ticked ports";
        case Value::ProdStation:
            return "Production station";
        case Value::ProdOperator:
            return "Production operator";
        case Value::ProdLot:
            return "Production lot";
        case Value::ProdRecordToLine:
            return "Production record to the line";
        case Value::ProdRecordAddress:
            return "Production record address";
    }
    return "";
}

int ReadInt(Value value, int defaultValue) {
    const QVariant stored = QSettings().value(StoreKey(value));
    bool ok = false;
    const int number = stored.toInt(&ok);
    return ok ? number : defaultValue;
}

QString ReadString(Value value, const QString& defaultValue) {
    const QVariant stored = QSettings().value(StoreKey(value));
    return stored.isValid() ? stored.toString() : defaultValue;
}

// Flags are stored as 1 and 0; any other number reads as set.
bool ReadFlag(Value value, bool defaultValue) {
    return ReadInt(value, defaultValue ? 1 : 0) != 0;
}

void Write(Value value, const QVariant& data) {
    QSettings settings;
    settings.setValue(StoreKey(value), data);
    settings.sync();
}

void WriteFlag(Value value, bool on) {
    Write(value, on ? 1 : 0);
}

}  // namespace

QString StoreKey(Value value) {
    return QString::fromLatin1(kGroup) + '/' + QLatin1String(StoredName(value));
}

int OpMode() {
    const int stored = ReadInt(Value::OpMode, kOpModeConfigurator);
    return stored == kOpModeTerminal || stored == kOpModeProduction ? stored : kOpModeConfigurator;
}
void SetOpMode(int mode) {
    Write(Value::OpMode, mode);
}

QString ComPort() {
    return ReadString(Value::ComPort, QStringLiteral("COM1"));
}
void SetComPort(const QString& port) {
    Write(Value::ComPort, port);
}

QStringList RemotePorts() {
    return QSettings().value(StoreKey(Value::RemotePorts)).toStringList();
}
void SetRemotePorts(const QStringList& ports) {
    Write(Value::RemotePorts, ports);
}

int BaudRate() {
    return ReadInt(Value::BaudRate, 9600);
}
void SetBaudRate(int baudRate) {
    Write(Value::BaudRate, baudRate);
}

int FlowControl() {
    return ReadInt(Value::FlowControl, 0);
}
void SetFlowControl(int flowControl) {
    Write(Value::FlowControl, flowControl);
}

bool NameFilterChecked() {
    return ReadFlag(Value::NameFilterCheck, false);
}
void SetNameFilterChecked(bool checked) {
    WriteFlag(Value::NameFilterCheck, checked);
}
QString NameFilterValue() {
    return ReadString(Value::NameFilterValue, QStringLiteral("QUORVEX"));
}
void SetNameFilterValue(const QString& filter) {
    Write(Value::NameFilterValue, filter);
}

bool RssiFilterChecked() {
    return ReadFlag(Value::RssiFilterCheck, false);
}
void SetRssiFilterChecked(bool checked) {
    WriteFlag(Value::RssiFilterCheck, checked);
}
int RssiFilterValue() {
    return ReadInt(Value::RssiFilterValue, -45);
}
void SetRssiFilterValue(int dBm) {
    Write(Value::RssiFilterValue, dBm);
}

bool LineEndCarriageReturn() {
    return ReadFlag(Value::LineEndCr, true);
}
void SetLineEndCarriageReturn(bool on) {
    WriteFlag(Value::LineEndCr, on);
}
bool LineEndLineFeed() {
    return ReadFlag(Value::LineEndLf, false);
}
void SetLineEndLineFeed(bool on) {
    WriteFlag(Value::LineEndLf, on);
}

bool TermTimestamps() {
    return ReadFlag(Value::TermTimestamps, false);
}
void SetTermTimestamps(bool on) {
    WriteFlag(Value::TermTimestamps, on);
}
bool TermHexView() {
    return ReadFlag(Value::TermHexView, false);
}
void SetTermHexView(bool on) {
    WriteFlag(Value::TermHexView, on);
}
bool TermHoldScroll() {
    return ReadFlag(Value::TermHoldScroll, false);
}
void SetTermHoldScroll(bool on) {
    WriteFlag(Value::TermHoldScroll, on);
}
int TermScrollback() {
    return ReadInt(Value::TermScrollback, 32767);
}
void SetTermScrollback(int characters) {
    Write(Value::TermScrollback, characters);
}
bool TermLogAsShown() {
    return ReadFlag(Value::TermLogAsShown, false);
}
void SetTermLogAsShown(bool on) {
    WriteFlag(Value::TermLogAsShown, on);
}

bool TermDtr() {
    return ReadFlag(Value::TermDtr, true);
}
void SetTermDtr(bool asserted) {
    WriteFlag(Value::TermDtr, asserted);
}
bool TermRts() {
    return ReadFlag(Value::TermRts, true);
}
void SetTermRts(bool asserted) {
    WriteFlag(Value::TermRts, asserted);
}
bool TermAutoReconnect() {
    return ReadFlag(Value::TermAutoReconnect, false);
}
void SetTermAutoReconnect(bool on) {
    WriteFlag(Value::TermAutoReconnect, on);
}

int TermStampFormat() {
    const int format = ReadInt(Value::TermStampFormat, 0);
    return format >= 0 && format <= 3 ? format : 0;
}
void SetTermStampFormat(int format) {
    Write(Value::TermStampFormat, format);
}

bool TermLeaveLines() {
    return ReadFlag(Value::TermLeaveLines, false);
}
void SetTermLeaveLines(bool on) {
    WriteFlag(Value::TermLeaveLines, on);
}

bool TermLogPlainText() {
    return ReadFlag(Value::TermLogPlainText, false);
}
void SetTermLogPlainText(bool on) {
    WriteFlag(Value::TermLogPlainText, on);
}

int TermLineDelayMs() {
    return std::max(0, ReadInt(Value::TermLineDelay, 0));
}
void SetTermLineDelayMs(int ms) {
    Write(Value::TermLineDelay, ms);
}
int TermCharDelayMs() {
    return std::max(0, ReadInt(Value::TermCharDelay, 0));
}
void SetTermCharDelayMs(int ms) {
    Write(Value::TermCharDelay, ms);
}

QString TermMacros() {
    return ReadString(Value::TermMacros, QString());
}
void SetTermMacros(const QString& text) {
    Write(Value::TermMacros, text);
}

QString ProdSettingsFile() {
    return ReadString(Value::ProdSettingsFile, QString());
}
void SetProdSettingsFile(const QString& path) {
    Write(Value::ProdSettingsFile, path);
}
bool ProdUseTickedPorts() {
    return ReadFlag(Value::ProdUseTickedPorts, false);
}
void SetProdUseTickedPorts(bool on) {
    WriteFlag(Value::ProdUseTickedPorts, on);
}
QString ProdPortPattern() {
    return ReadString(Value::ProdPortPattern, QStringLiteral("*"));
}
void SetProdPortPattern(const QString& pattern) {
    Write(Value::ProdPortPattern, pattern);
}
QStringList ProdTickedPorts() {
    return QSettings().value(StoreKey(Value::ProdTickedPorts)).toStringList();
}
void SetProdTickedPorts(const QStringList& ports) {
    Write(Value::ProdTickedPorts, ports);
}
QString ProdStation() {
    return ReadString(Value::ProdStation, QString());
}
void SetProdStation(const QString& station) {
    Write(Value::ProdStation, station);
}
QString ProdOperator() {
    return ReadString(Value::ProdOperator, QString());
}
void SetProdOperator(const QString& name) {
    Write(Value::ProdOperator, name);
}
QString ProdLot() {
    return ReadString(Value::ProdLot, QString());
}
void SetProdLot(const QString& lot) {
    Write(Value::ProdLot, lot);
}
bool ProdRecordToLine() {
    return ReadFlag(Value::ProdRecordToLine, false);
}
void SetProdRecordToLine(bool on) {
    WriteFlag(Value::ProdRecordToLine, on);
}
QString ProdRecordAddress() {
    return ReadString(Value::ProdRecordAddress, QString());
}
void SetProdRecordAddress(const QString& address) {
    Write(Value::ProdRecordAddress, address);
}

}  // namespace AppSettings
