// main() for the tests of Qt code: one QApplication for the whole run, the organisation and
// application names the program uses, and settings kept away from the user's own profile
// (CTest points HOME and XDG_CONFIG_HOME at a scratch folder).
#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // CTest sets the platform for the runs; test discovery runs without that environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QCoreApplication::setApplicationName(QStringLiteral("skw-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
