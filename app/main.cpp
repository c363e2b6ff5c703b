// sKW Manager: the main window, run modally for the life of the process.
#include "Artwork.h"
#include "CsKWEVBManagerDlg.h"
#include "SkwVersion.h"
#include "Translations.h"

#include "ComPortCfgDlg.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Settings live under Quorvex/<executable name>, the application name Qt takes by default.
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvex"));
    // Message boxes carry the product's name rather than the executable's.
    QGuiApplication::setApplicationDisplayName(QStringLiteral(SKW_PRODUCT_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(SKW_VERSION_MAJOR)
                                                .arg(SKW_VERSION_MINOR)
                                                .arg(SKW_VERSION_PATCH));
    QApplication::setWindowIcon(Artwork::AppIcon());
    Translations::InstallForSystemLocale();

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(SKW_PRODUCT_NAME));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption preferredPort(
        QStringLiteral("port"),
        QStringLiteral("Port to preselect in the COM port list when the last used one is absent."),
        QStringLiteral("path"));
    options.addOption(preferredPort);
    options.process(application);

    CsKWEVBManagerDlg window;
    window.ComPortDialog().SetPreferredPort(options.value(preferredPort));
    window.exec();
    return 0;
}
