#pragma once

#include "Profile.h"
#include "StationRunner.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QResizeEvent;
class QScrollArea;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;
class StationTile;

// The operator's page: a settings file, the fixture's ports, who and what is recorded, then
// Start and Stop; one tile per port, the counts and the last records. It drives the command
// line's station (StationRunner) and only shows what it reports; while a run is on, the
// settings are locked. Everything here runs on the window thread.
class ProductionPage : public QWidget {
    Q_OBJECT

public:
    using PortSource = std::function<QStringList()>;

    // The controls by object name (also their names for automation).
    static constexpr const char* kIdSettingsFile = "prodSettingsFile";
    static constexpr const char* kIdChooseSettings = "prodChooseSettings";
    static constexpr const char* kIdSummary = "prodSummary";
    static constexpr const char* kIdUsePattern = "prodUsePattern";
    static constexpr const char* kIdPattern = "prodPattern";
    static constexpr const char* kIdUseChosen = "prodUseChosen";
    static constexpr const char* kIdPortList = "prodPortList";
    static constexpr const char* kIdRefreshPorts = "prodRefreshPorts";
    static constexpr const char* kIdRemotePort = "prodRemotePort";
    static constexpr const char* kIdAddRemote = "prodAddRemote";
    static constexpr const char* kIdStation = "prodStation";
    static constexpr const char* kIdOperator = "prodOperator";
    static constexpr const char* kIdLot = "prodLot";
    static constexpr const char* kIdRecordDefault = "prodRecordDefault";
    static constexpr const char* kIdRecordAddress = "prodRecordAddress";
    static constexpr const char* kIdRecordOther = "prodRecordOther";
    static constexpr const char* kIdFlashOnFail = "prodFlashOnFail";
    static constexpr const char* kIdSoundOnFail = "prodSoundOnFail";
    static constexpr const char* kIdStart = "prodStart";
    static constexpr const char* kIdStop = "prodStop";
    static constexpr const char* kIdStatus = "prodStatus";
    static constexpr const char* kIdSerial = "prodSerial";
    static constexpr const char* kIdSerialTarget = "prodSerialTarget";
    static constexpr const char* kIdSerialQueue = "prodSerialQueue";
    static constexpr const char* kIdTiles = "prodTiles";
    static constexpr const char* kIdUnits = "prodUnits";
    static constexpr const char* kIdPass = "prodPass";
    static constexpr const char* kIdFail = "prodFail";
    static constexpr const char* kIdYield = "prodYield";
    static constexpr const char* kIdPerHour = "prodPerHour";
    static constexpr const char* kIdRecords = "prodRecords";
    static constexpr const char* kIdTranscript = "prodTranscript";

    explicit ProductionPage(QWidget* parent = nullptr);
    ~ProductionPage() override;

    // Replaces the system's port list (tests); the virtual modules are still listed.
    void SetSystemPortSource(PortSource source) { m_systemPorts = std::move(source); }

    // Reads the settings file and shows its summary; false (and the reason shown) when it
    // cannot be used.
    bool LoadSettingsFile(const QString& path);

    bool IsRunning() const;
    // No new unit; asked again, the running ones stop at their next safe point. Never waits:
    // runFinished tells when the run has ended.
    void RequestStop();

    StationTile* Tile(const QString& port) const;
    QList<StationTile*> Tiles() const;
    QString StatusText() const;
    // The transcript window last opened from a FAIL tile, if it is still open.
    QWidget* TranscriptWindow() const;
    bool IsFlashing() const;

Q_SIGNALS:
    void runningChanged(bool running);
    void runFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* CreateSetup();
    QWidget* CreateRunArea();
    void OnChooseSettingsFile();
    void OnSettingsFileEdited();
    void RefreshPortList();
    void OnAddRemotePort();
    void OnStart();
    void OnSerialEntered();
    void OnOpened(const QString& record);
    void OnPortsListed(const QStringList& ports);
    void OnUnitStarted(const QString& port, unsigned attempt, const QString& serial);
    void OnUnitProgress(const QString& port, const ApplyProgress& progress);
    void OnUnitRecorded(const UnitRecord& record);
    void OnCounted(const StationSummary& summary);
    void OnFinished(const QString& problem);
    void ShowTranscript(StationTile* tile);
    void SignalFailure();
    void EnableControls();
    void ShowStatus(const QString& text);
    void UpdateSerialQueue();
    StationTile* TileFor(const QString& port);
    // As many tiles to a row as the fixture's area shows whole.
    void LayOutTiles();
    QStringList ChosenPorts() const;
    // The fields as the user last left them, and storing them as they change.
    void LoadFields();
    void SaveFields() const;
    void AddPortItem(const QString& port, bool ticked);

    StationRunner* m_runner = nullptr;
    PortSource m_systemPorts;
    std::optional<Profile> m_profile;
    QString m_profilePath;
    bool m_firstListing = true;  // ports listed at the start are not new to the station
    // The run's port pattern ("*" when the ports were ticked: then only those are listed).
    std::string m_watchPattern;
    std::map<QString, StationTile*> m_tiles;
    int m_flashesLeft = 0;

    QWidget* m_setup = nullptr;  // everything locked while running
    QLineEdit* m_settingsFile = nullptr;
    QPushButton* m_chooseSettings = nullptr;
    QPlainTextEdit* m_summary = nullptr;
    QRadioButton* m_usePattern = nullptr;
    QRadioButton* m_useChosen = nullptr;
    QLineEdit* m_pattern = nullptr;
    QListWidget* m_portList = nullptr;
    QPushButton* m_refreshPorts = nullptr;
    QLineEdit* m_remotePort = nullptr;
    QPushButton* m_addRemote = nullptr;
    QLineEdit* m_station = nullptr;
    QLineEdit* m_operator = nullptr;
    QLineEdit* m_lot = nullptr;
    QRadioButton* m_recordDefault = nullptr;
    QRadioButton* m_recordOther = nullptr;
    QLineEdit* m_recordAddress = nullptr;
    QCheckBox* m_flashOnFail = nullptr;
    QCheckBox* m_soundOnFail = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_serial = nullptr;
    QComboBox* m_serialTarget = nullptr;
    QLabel* m_serialQueue = nullptr;
    QWidget* m_tileArea = nullptr;
    QGridLayout* m_tileGrid = nullptr;
    QScrollArea* m_tileScroll = nullptr;
    int m_tileColumns = 0;
    QLabel* m_units = nullptr;
    QLabel* m_pass = nullptr;
    QLabel* m_fail = nullptr;
    QLabel* m_yield = nullptr;
    QLabel* m_perHour = nullptr;
    QTableWidget* m_records = nullptr;
    QTimer* m_flashTimer = nullptr;
    QWidget* m_transcript = nullptr;
};
