#pragma once

#include <QString>

// The per-user values that survive between runs, all in the group "Default Values" of the
// application's QSettings (organisation "Quorvex", application = executable name). Values are
// never cached: every read goes to the store, so what one window writes the next one sees.
// The value names are stored data and keep their historic spelling.
namespace AppSettings {

inline constexpr char kSection[] = "Default Values";

inline constexpr char kOpMode[] = "Applicatoin Op Mode";
inline constexpr char kComPort[] = "Application COM port";
inline constexpr char kBaudRate[] = "Application buadrate";
inline constexpr char kFlowControl[] = "Application flow control";
inline constexpr char kNameFilterCheck[] = "Name filter check";
inline constexpr char kNameFilterValue[] = "Name filter value";
inline constexpr char kRssiFilterCheck[] = "RSSI filter check";
inline constexpr char kRssiFilterValue[] = "RSSI filter value";
inline constexpr char kLineEndCr[] = "Line end carriage return";
inline constexpr char kLineEndLf[] = "Line end line feed";
inline constexpr char kTermTimestamps[] = "Terminal timestamps";
inline constexpr char kTermHexView[] = "Terminal hex view";
inline constexpr char kTermHoldScroll[] = "Terminal hold when scrolled up";
inline constexpr char kTermScrollback[] = "Terminal scrollback characters";
inline constexpr char kTermLogAsShown[] = "Terminal log as shown";

inline constexpr int kOpModeConfigurator = 1;
inline constexpr int kOpModeTerminal = 2;

// The four store operations. A missing or unreadable value gives the default; a failed write
// is ignored by callers.
int GetProfileInt(const char* name, int defaultValue);
bool WriteProfileInt(const char* name, int value);
QString GetProfileString(const char* name, const QString& defaultValue);
bool WriteProfileString(const char* name, const QString& value);

// Typed readers with the documented defaults.
int OpMode();  // 2 only when 2 is stored; anything else is Configurator
QString ComPort();
int BaudRate();
int FlowControl();
bool NameFilterChecked();
QString NameFilterValue();
bool RssiFilterChecked();
int RssiFilterValue();
bool LineEndCarriageReturn();
bool LineEndLineFeed();

// The terminal's view options (all off by default; the scrollback defaults to 32,767
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

}  // namespace AppSettings
