#include "AppSettings.h"

#include <QSettings>

namespace AppSettings {

namespace {

QString Key(const char* name) { return QString::fromLatin1(kSection) + '/' + QLatin1String(name); }

}  // namespace

int GetProfileInt(const char* name, int defaultValue) {
    const QVariant stored = QSettings().value(Key(name));
    bool ok = false;
    const int value = stored.toInt(&ok);
    return ok ? value : defaultValue;
}

bool WriteProfileInt(const char* name, int value) {
    QSettings settings;
    settings.setValue(Key(name), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString GetProfileString(const char* name, const QString& defaultValue) {
    const QVariant stored = QSettings().value(Key(name));
    return stored.isValid() ? stored.toString() : defaultValue;
}

bool WriteProfileString(const char* name, const QString& value) {
    QSettings settings;
    settings.setValue(Key(name), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

int OpMode() {
    return GetProfileInt(kOpMode, kOpModeConfigurator) == kOpModeTerminal ? kOpModeTerminal
                                                                          : kOpModeConfigurator;
}

QString ComPort() { return GetProfileString(kComPort, QStringLiteral("COM1")); }
int BaudRate() { return GetProfileInt(kBaudRate, 9600); }
int FlowControl() { return GetProfileInt(kFlowControl, 0); }
bool NameFilterChecked() { return GetProfileInt(kNameFilterCheck, 0) != 0; }
QString NameFilterValue() { return GetProfileString(kNameFilterValue, QStringLiteral("QUORVEX")); }
bool RssiFilterChecked() { return GetProfileInt(kRssiFilterCheck, 0) != 0; }
int RssiFilterValue() { return GetProfileInt(kRssiFilterValue, -45); }
bool LineEndCarriageReturn() { return GetProfileInt(kLineEndCr, 1) != 0; }
bool LineEndLineFeed() { return GetProfileInt(kLineEndLf, 0) != 0; }

bool TermTimestamps() { return GetProfileInt(kTermTimestamps, 0) != 0; }
void SetTermTimestamps(bool on) { WriteProfileInt(kTermTimestamps, on ? 1 : 0); }
bool TermHexView() { return GetProfileInt(kTermHexView, 0) != 0; }
void SetTermHexView(bool on) { WriteProfileInt(kTermHexView, on ? 1 : 0); }
bool TermHoldScroll() { return GetProfileInt(kTermHoldScroll, 0) != 0; }
void SetTermHoldScroll(bool on) { WriteProfileInt(kTermHoldScroll, on ? 1 : 0); }
int TermScrollback() { return GetProfileInt(kTermScrollback, 32767); }
void SetTermScrollback(int characters) { WriteProfileInt(kTermScrollback, characters); }
bool TermLogAsShown() { return GetProfileInt(kTermLogAsShown, 0) != 0; }
void SetTermLogAsShown(bool on) { WriteProfileInt(kTermLogAsShown, on ? 1 : 0); }

}  // namespace AppSettings
