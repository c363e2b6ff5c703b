// sKW Manager: the main window, run modally for the life of the process.
#include "Artwork.h"
#include "CsKWEVBManagerDlg.h"
#include "SkwVersion.h"
#include "Translations.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Settings live under Quorvex/<executable name>, the application name Qt takes by default.
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvex"));
    // Message boxes carry the product's name rather than the executable's.
    QGuiApplication::setApplicationDisplayName(QStringLiteral(SKW_PRODUCT_NAME));
    QApplication::setWindowIcon(Artwork::AppIcon());
    Translations::InstallForSystemLocale();

    CsKWEVBManagerDlg window;
    window.exec();
    return 0;
}
