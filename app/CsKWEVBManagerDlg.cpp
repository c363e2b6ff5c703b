#include "CsKWEVBManagerDlg.h"

#include "AppSettings.h"
#include "Artwork.h"
#include "CAboutDlg.h"
#include "ComPortCfgDlg.h"
#include "ConfMessages.h"
#include "FileAsker.h"
#include "ModuleConfPage.h"
#include "NetworkChannel.h"
#include "ProductionPage.h"
#include "ProfileApplyDlg.h"
#include "ProfileFile.h"
#include "Prompter.h"
#include "SerialTermPage.h"
#include "SkwVersion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <optional>
#include <variant>

namespace {

// The module, or the adapter it sits on, gets this long between one connection and the next.
constexpr std::chrono::milliseconds kReopenDelay{200};

// The terminal page's designed size, in dialog units: its own layout would make it much smaller.
constexpr QSize kTermPageUnits(312, 241);

// Pane 0 takes 70 % of the status line, pane 1 the rest.
constexpr int kConnectionStretch = 7;
constexpr int kVersionStretch = 3;

QString FlowControlText(std::uint8_t flowControl) {
    switch (flowControl) {
        case 0:
            return QStringLiteral("No flow control");
        case 1:
            return QStringLiteral("SW flow control");
        case 2:
            return QStringLiteral("HW flow control");
        default:
            return {};
    }
}

// Dialog units: a quarter of the font's average character width, an eighth of its height.
QSize FromDialogUnits(const QSize& units, const QFont& font) {
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    const int baseX = metrics.horizontalAdvance(kAlphabet) / static_cast<int>(kAlphabet.size());
    return {units.width() * baseX / 4, units.height() * metrics.height() / 8};
}

// The settings file at `path`, or the message that says why it cannot be used.
std::variant<Profile, QString> ReadProfileFile(const QString& path) {
    auto read = ::ReadProfileFile(path.toStdString());
    if (const auto* error = std::get_if<ProfileFileError>(&read)) {
        const QString arg1 = error->text == ConfMessages::MSG_PROFILE_CANNOT_READ ||
                                     error->text == ConfMessages::MSG_PROFILE_TOO_LARGE
                                 ? path
                                 : QString::fromStdString(error->arg1);
        QString message = ConfMessages::Text(error->text);
        if (message.contains(QLatin1String("%2"))) {
            return message.arg(arg1, QString::fromStdString(error->arg2));
        }
        return message.contains(QLatin1String("%1")) ? message.arg(arg1) : message;
    }
    return std::get<Profile>(read);
}

// "<model>-<address>.json" in the user's home folder.
QString SuggestedProfilePath(const Profile& profile, const QString& address) {
    QString base = QString::fromStdString(profile.model.value_or("module"));
    if (!address.isEmpty()) {
        base += QLatin1Char('-') + address;
    }
    // What the model's name may hold that a file name must not (it comes from the module).
    base.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")),
                 QStringLiteral("_"));
    return QDir::home().filePath(base + QStringLiteral(".json"));
}

// The settings file to write (`save`, `suggested` the proposed path) or to read; empty when
// cancelled.
QString AskForProfileFile(QWidget* owner, bool save, const QString& suggested) {
    FileAsker::Request request;
    request.purpose = save ? FileAsker::Purpose::Save : FileAsker::Purpose::Open;
    request.caption = save ? CsKWEVBManagerDlg::tr("Save module settings")
                           : CsKWEVBManagerDlg::tr("Apply settings file");
    request.path = suggested;
    request.filters = {CsKWEVBManagerDlg::tr("Settings files (*.json)"),
                       CsKWEVBManagerDlg::tr("All files (*)")};
    const std::optional<FileAsker::Answer> answer = FileAsker::Ask(owner, request);
    if (!answer) {
        return {};
    }
    QString path = answer->path;
    if (save && !path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".json");
    }
    return path;
}

QLabel* NewPane(QWidget* parent, const char* name) {
    auto* pane = new QLabel(parent);
    pane->setObjectName(QLatin1String(name));
    pane->setTextFormat(Qt::PlainText);
    // A long port path is shortened in its pane rather than widening the window.
    pane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return pane;
}

}  // namespace

CsKWEVBManagerDlg::CsKWEVBManagerDlg(QWidget* parent)
    : QDialog(parent),
      m_comPortDlg(new ComPortCfgDlg(this)),
      m_runModal([](QDialog& dialog) { return dialog.exec(); }) {
    setWindowTitle(QStringLiteral(SKW_PRODUCT_NAME));
    setWindowIcon(Artwork::AppIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window is as large as the page it shows, and the user cannot resize it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    CreateMenu();
    CreatePages();
    CreateStatusBar();
    ShowVersion();
}

CsKWEVBManagerDlg::~CsKWEVBManagerDlg() {
    // Each page joins its threads here, before any of the window's children go.
    m_confPage->ClosePort();
    m_termPage->ClosePort();
}

int CsKWEVBManagerDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CsKWEVBManagerDlg::OnInitDialog() {
    OnSetupComPort();
}

void CsKWEVBManagerDlg::SetModalRunner(ModalRunner runner) {
    m_runModal = std::move(runner);
}

void CsKWEVBManagerDlg::CreateMenu() {
    m_menuBar = new QMenuBar(this);
    QMenu* menu = m_menuBar->addMenu(tr("Menu"));
    m_setupAction = menu->addAction(tr("Setup COM port"));
    m_setupAction->setObjectName(QString::number(kIdSetupComPort));
    m_saveProfileAction = menu->addAction(tr("Save module settings…"));
    m_saveProfileAction->setObjectName(QLatin1String(kIdSaveModuleSettings));
    m_applyProfileAction = menu->addAction(tr("Apply settings file…"));
    m_applyProfileAction->setObjectName(QLatin1String(kIdApplySettingsFile));
    m_saveProfileAction->setEnabled(false);
    m_applyProfileAction->setEnabled(false);
    menu->addSeparator();
    m_aboutAction = menu->addAction(tr("sKW Manager Info."));
    m_aboutAction->setObjectName(QString::number(kIdAbout));
    connect(m_setupAction, &QAction::triggered, this, &CsKWEVBManagerDlg::OnSetupComPort);
    connect(m_saveProfileAction, &QAction::triggered, this,
            &CsKWEVBManagerDlg::OnSaveModuleSettings);
    connect(m_applyProfileAction, &QAction::triggered, this,
            &CsKWEVBManagerDlg::OnApplySettingsFile);
    connect(m_aboutAction, &QAction::triggered, this, &CsKWEVBManagerDlg::OnAbout);
    layout()->setMenuBar(m_menuBar);
}

void CsKWEVBManagerDlg::CreatePages() {
    m_confPage = new ModuleConfPage(this);
    m_termPage = new SerialTermPage(this);
    m_termPage->setMinimumSize(FromDialogUnits(kTermPageUnits, font()));
    layout()->addWidget(m_confPage);
    layout()->addWidget(m_termPage);
    m_termPage->hide();
    m_prodPage = new ProductionPage(this);
    layout()->addWidget(m_prodPage);
    m_prodPage->hide();
    // What waited for the station's run to end: the close, or the COM port dialog.
    connect(
        m_prodPage, &ProductionPage::runFinished, this,
        [this] {
            if (m_closeAfterRun) {
                m_closeAfterRun = false;
                close();
            } else if (m_setupAfterRun) {
                m_setupAfterRun = false;
                OnSetupComPort();
            }
        },
        Qt::QueuedConnection);
    // Queued: a page asks from inside its own handlers, which finish before the dialog runs.
    connect(m_confPage, &ModuleConfPage::setupComPortRequested, this,
            &CsKWEVBManagerDlg::OnSetupComPort, Qt::QueuedConnection);
    connect(m_confPage, &ModuleConfPage::moduleReadyChanged, this, [this](bool ready) {
        m_saveProfileAction->setEnabled(ready);
        m_applyProfileAction->setEnabled(ready);
    });
    connect(m_termPage, &SerialTermPage::setupComPortRequested, this,
            &CsKWEVBManagerDlg::OnSetupComPort, Qt::QueuedConnection);
}

void CsKWEVBManagerDlg::CreateStatusBar() {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_connectionPane = NewPane(m_statusBar, kIdConnectionPane);
    m_connectionPane->installEventFilter(this);
    m_versionPane = NewPane(m_statusBar, kIdVersionPane);
    m_statusBar->addWidget(m_connectionPane, kConnectionStretch);
    m_statusBar->addWidget(m_versionPane, kVersionStretch);
    // Shown only while the terminal writes a log.
    m_logPane = NewPane(m_statusBar, kIdLogPane);
    m_logPane->hide();
    m_statusBar->addPermanentWidget(m_logPane);
    connect(m_termPage, &SerialTermPage::logStatusChanged, m_logPane, [this](const QString& text) {
        m_logPane->setText(text);
        m_logPane->setVisible(!text.isEmpty());
    });
    connect(m_termPage, &SerialTermPage::portStatusChanged, this,
            [this](const QString& text) { ShowConnection(text.isEmpty() ? m_openedText : text); });
    layout()->addWidget(m_statusBar);
    ShowConnection(tr("COM port closed"));
}

void CsKWEVBManagerDlg::ShowVersion() {
    m_versionPane->setText(QStringLiteral("Version %1.%2.%3")
                               .arg(SKW_VERSION_MAJOR)
                               .arg(SKW_VERSION_MINOR)
                               .arg(SKW_VERSION_PATCH));
}

void CsKWEVBManagerDlg::ShowPage(int opMode) {
    m_confPage->hide();
    m_termPage->hide();
    m_prodPage->hide();
    if (opMode == AppSettings::kOpModeConfigurator) {
        m_confPage->show();
    } else if (opMode == AppSettings::kOpModeTerminal) {
        m_termPage->show();
    } else if (opMode == AppSettings::kOpModeProduction) {
        m_prodPage->show();
    } else {
        return;
    }
    m_nCurMode = opMode;
    FitWindowToPage();
}

void CsKWEVBManagerDlg::FitWindowToPage() {
    // The fixed-size layout takes the shown page's size now rather than at the next event.
    layout()->activate();
}

void CsKWEVBManagerDlg::OnSetupComPort() {
    // A page that gives up its port while the dialog is up meets it there already.
    if (m_inSetup || m_closed) {
        return;
    }
    // A run ends first: no new unit starts, the running ones finish; the dialog comes once the
    // run has ended, and the window goes on meanwhile.
    if (m_prodPage->IsRunning()) {
        m_setupAfterRun = true;
        m_prodPage->RequestStop();
        ShowConnection(tr("Stopping the production station…"));
        return;
    }
    m_inSetup = true;
    CancelPendingOpen();
    m_termPage->StopWaitingForPort();
    SendResetIfConfigurationConnection();
    ShowConnection(tr("COM port closed"));
    // Drawn now: the modal dialog below would otherwise show the old connection behind it
    // until its own event loop got round to painting the status bar.
    m_statusBar->repaint();

    const int result = m_runModal(*m_comPortDlg);
    const ComPortSettings chosen = m_comPortDlg->Settings();
    if (result == QDialog::Accepted && chosen.opMode == AppSettings::kOpModeProduction) {
        // The station opens the ports of its fixture itself.
        m_confPage->ClosePort();
        m_termPage->ClosePort();
        ShowPage(chosen.opMode);
        ShowConnection(tr("Production station"));
    } else if (result == QDialog::Accepted) {
        ShowPage(chosen.opMode);
        // Posted, so the port opens once the dialog has gone and the page is laid out.
        QMetaObject::invokeMethod(
            this,
            [this, request = m_openRequest] {
                if (request == m_openRequest) {
                    OnOpenPort();
                }
            },
            Qt::QueuedConnection);
    } else {
        m_confPage->ClosePort();
        m_termPage->ClosePort();
        // The mode buttons take effect even when the dialog is cancelled.
        ShowPage(chosen.opMode);
    }
    m_inSetup = false;
}

void CsKWEVBManagerDlg::OnOpenPort() {
    m_confPage->ClosePort();
    m_termPage->ClosePort();
    QTimer::singleShot(kReopenDelay, this, [this, request = m_openRequest] {
        if (request == m_openRequest) {
            OpenChosenPort();
        }
    });
}

void CsKWEVBManagerDlg::OpenChosenPort() {
    const ComPortSettings chosen = m_comPortDlg->Settings();
    const auto baudRate = static_cast<std::uint32_t>(chosen.baudRate);
    // A network port connects and negotiates before the open returns (within the channel's
    // time limits of a few seconds): show that the window waits.
    const bool network = IsNetworkPort(chosen.port.toStdString());
    if (network) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    const std::error_code error =
        m_nCurMode == AppSettings::kOpModeConfigurator
            ? m_confPage->OpenPort(chosen.port, baudRate, chosen.flowControl)
            : m_termPage->OpenPort(chosen.port, baudRate, chosen.flowControl);
    if (network) {
        QApplication::restoreOverrideCursor();
    }
    if (error) {
        Prompter::Ask(this,
                      QStringLiteral("%1: %2").arg(tr("Unable to open a COM port."),
                                                   QString::fromLocal8Bit(error.message())),
                      Prompter::Icon::Error);
        return;
    }
    m_openedText = QStringLiteral("%1, %2, %3")
                       .arg(chosen.port)
                       .arg(baudRate)
                       .arg(FlowControlText(chosen.flowControl));
    ShowConnection(m_openedText);
}

void CsKWEVBManagerDlg::OnAbout() {
    CAboutDlg about(this);
    m_runModal(about);
}

void CsKWEVBManagerDlg::OnSaveModuleSettings() {
    const std::optional<Profile> profile = m_confPage->ModuleProfile();
    const std::optional<ModuleValues> values = m_confPage->ShownValues();
    if (!profile || !values) {
        return;
    }
    const QString path = AskForProfileFile(
        this, true, SuggestedProfilePath(*profile, QString::fromStdString(values->address)));
    if (path.isEmpty()) {
        return;
    }
    const std::string text = ProfileText(*profile);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        Prompter::Ask(this,
                      ConfMessages::Text(ConfMessages::MSG_PROFILE_CANNOT_WRITE)
                          .arg(path, file.errorString()),
                      Prompter::Icon::Error);
    }
}

void CsKWEVBManagerDlg::OnApplySettingsFile() {
    if (!m_confPage->IsModuleReady()) {
        return;
    }
    const QString path = AskForProfileFile(this, false, QDir::homePath());
    // The file dialog's own event loop may have let the page start a job or lose its port.
    if (!path.isEmpty() && m_confPage->IsModuleReady()) {
        ApplyProfileFile(path);
    }
}

void CsKWEVBManagerDlg::ApplyProfileFile(const QString& path) {
    auto read = ReadProfileFile(path);
    if (const auto* error = std::get_if<QString>(&read)) {
        Prompter::Ask(this, *error, Prompter::Icon::Error);
        return;
    }
    const Profile profile = std::get<Profile>(read);
    const bool hasCounter = profile.name && HasNameCounter(*profile.name);
    // What does not depend on the counter is told before the dialog.
    if (!hasCounter && !ApplyPlanAcceptable(m_confPage->PlanFor(profile, 1), true)) {
        return;
    }
    const auto changesOf = [this, &profile](unsigned counter) {
        const std::optional<ApplyPlan> plan = m_confPage->PlanFor(profile, counter);
        return plan ? std::optional(plan->changes) : std::nullopt;
    };
    ProfileApplyDlg dialog(path, hasCounter, changesOf, this);
    if (m_runModal(dialog) != QDialog::Accepted || !m_confPage->IsModuleReady()) {
        return;
    }
    // The dialog's Apply is disabled when the name cannot be filled or nothing changes.
    if (ApplyPlanAcceptable(m_confPage->PlanFor(profile, dialog.Counter()), false)) {
        m_confPage->ApplyProfile(profile, dialog.Counter());
    }
}

bool CsKWEVBManagerDlg::ApplyPlanAcceptable(const std::optional<ApplyPlan>& plan,
                                            bool tellMatches) {
    if (!plan) {
        Prompter::Ask(
            this,
            ConfMessages::Text(ConfMessages::MSG_PROFILE_BAD_VALUE).arg(QStringLiteral("name")),
            Prompter::Icon::Error);
        return false;
    }
    if (plan->changes.empty()) {
        if (tellMatches) {
            Prompter::Ask(this, ConfMessages::Text(ConfMessages::MSG_PROFILE_MATCHES),
                          Prompter::Icon::Information);
        }
        return false;
    }
    if (plan->refusal) {
        Prompter::Ask(this, m_confPage->RefusalText(*plan->refusal), Prompter::Icon::Error);
        return false;
    }
    return true;
}

void CsKWEVBManagerDlg::closeEvent(QCloseEvent* event) {
    // The window closes once the station's run has ended; it never waits for a module.
    if (m_prodPage->IsRunning()) {
        m_closeAfterRun = true;
        m_prodPage->RequestStop();
        ShowConnection(tr("Stopping the production station…"));
        event->ignore();
        return;
    }
    SendResetIfConfigurationConnection();
    CancelPendingOpen();
    m_closed = true;
    QDialog::closeEvent(event);
}

void CsKWEVBManagerDlg::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog, and there is no help to show for F1.
    if (event->matches(QKeySequence::Cancel) || event->key() == Qt::Key_Escape ||
        event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CsKWEVBManagerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_connectionPane && event->type() == QEvent::Resize) {
        FitConnectionText();
    }
    return QDialog::eventFilter(watched, event);
}

void CsKWEVBManagerDlg::ShowConnection(const QString& text) {
    m_connectionText = text;
    m_connectionPane->setToolTip(text);
    // Screen readers get the whole text, also when the pane shows it shortened.
    m_connectionPane->setAccessibleName(text);
    FitConnectionText();
}

void CsKWEVBManagerDlg::FitConnectionText() {
    // The end says most: the port's own name, the speed and the flow control.
    const int width = m_connectionPane->contentsRect().width();
    m_connectionPane->setText(
        m_connectionPane->fontMetrics().elidedText(m_connectionText, Qt::ElideLeft, width));
}

void CsKWEVBManagerDlg::SendResetIfConfigurationConnection() {
    if (m_nCurMode == AppSettings::kOpModeConfigurator && m_confPage->IsPortOpen()) {
        m_confPage->SendResetCommand();  // whatever comes back, or nothing, is fine
    }
}

void CsKWEVBManagerDlg::CancelPendingOpen() {
    ++m_openRequest;
}
