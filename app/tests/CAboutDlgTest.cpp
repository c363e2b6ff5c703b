#include "CAboutDlg.h"
#include "RunModal.h"
#include "SkwVersion.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>

namespace {

template <typename T>
T* Control(CAboutDlg& dialog, int id) {
    T* control = dialog.findChild<T*>(QString::number(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

bool ShowsSomething(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    const QRgb face = widget->palette().color(QPalette::Window).rgb();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != face) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

TEST(CAboutDlg, showsNameVersionPurposeAndNotice_inBothLanguages) {
    struct Case {
        const char* language;
        QString title;
        QString purpose;
        QString ok;
        QString logo;
    };
    const Case cases[] = {
        {"en", "sKW Manager Information",
         "This program is a PC program for configuring sKW52x and DTQ50.", "OK",
         "sKW Manager logo"},
        {"ko", "sKW Manager 정보",
         "본 프로그램은 sKW52x, DTQ50 설정 및 테스트 용 PC 프로그램입니다", "확인",
         "sKW Manager 로고"},
    };
    // The fourth number of the version is not shown.
    const QString nameAndVersion = QStringLiteral("sKW Manager Ver %1.%2.%3")
                                       .arg(SKW_VERSION_MAJOR)
                                       .arg(SKW_VERSION_MINOR)
                                       .arg(SKW_VERSION_PATCH);
    for (const Case& c : cases) {
        Translations::Install(QLatin1String(c.language));
        CAboutDlg dialog;
        const int result = RunModal(dialog, [&] {
            EXPECT_EQ(dialog.windowTitle(), c.title);
            auto* name = Control<QLabel>(dialog, CAboutDlg::kIdProductName);
            EXPECT_EQ(name->text(), nameAndVersion);
            EXPECT_TRUE(name->font().bold());
            EXPECT_EQ(Control<QLabel>(dialog, CAboutDlg::kIdNotice)->text(), SKW_LEGAL_COPYRIGHT);
            const auto labels = dialog.findChildren<QLabel*>();
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                    [&](QLabel* l) { return l->text() == c.purpose; }));
            auto* logo = Control<QWidget>(dialog, CAboutDlg::kIdLogo);
            EXPECT_EQ(logo->accessibleName(), c.logo);
            EXPECT_TRUE(ShowsSomething(logo));
            auto* ok = Control<QPushButton>(dialog, CAboutDlg::kIdOk);
            EXPECT_EQ(ok->text(), c.ok);
            ok->click();
        });
        EXPECT_EQ(result, QDialog::Accepted);
    }
    Translations::Install(QStringLiteral("en"));
}
