#include "AppSettings.h"
#include "FilterSettingsBinder.h"
#include "ScratchSettings.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>

namespace {

class FilterSettingsTest : public ::testing::Test {
protected:
    FilterSettingsTest() {
        m_binder = new FilterSettingsBinder(&m_nameCheck, &m_nameEdit, &m_rssiCheck, &m_rssiEdit,
                                            &m_nameEdit);
    }

    static void LoseFocus(QLineEdit& edit) {
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&edit, &focusOut);
    }

    ScratchSettings m_settings;
    QCheckBox m_nameCheck;
    QLineEdit m_nameEdit;
    QCheckBox m_rssiCheck;
    QLineEdit m_rssiEdit;
    FilterSettingsBinder* m_binder;
};

TEST_F(FilterSettingsTest, rssiEdit_storesOnlyNumbersAsSignedBytes) {
    const struct {
        const char* text;
        int stored;  // 11: nothing was stored
    } cases[] = {{"-70 ", -70}, {"  -70", -70}, {"300", 44}, {"-7a", 11},
                 {"--5", 11},   {"", 11},       {"-", 0}};
    for (const auto& c : cases) {
        AppSettings::SetRssiFilterValue(11);
        m_rssiEdit.setText(QString::fromUtf8(c.text));
        LoseFocus(m_rssiEdit);
        EXPECT_EQ(AppSettings::RssiFilterValue(), c.stored) << '"' << c.text << '"';
    }
}

TEST_F(FilterSettingsTest, nameEdit_storesAtMostEightCharacters) {
    const struct {
        const char* text;
        const char* stored;
    } cases[] = {{"ABCDEFGHI", "BEFORE"},
                 {"ABCDEFGH", "ABCDEFGH"},
                 {" AB ", " AB "},
                 {"", ""},
                 {"가나다라마바사아", "가나다라마바사아"}};
    for (const auto& c : cases) {
        AppSettings::SetNameFilterValue(QStringLiteral("BEFORE"));
        m_nameEdit.setText(QString::fromUtf8(c.text));
        LoseFocus(m_nameEdit);
        EXPECT_EQ(AppSettings::NameFilterValue().toStdString(), c.stored) << c.text;
    }
    // The refused text stays shown; the next start shows what was stored.
    m_nameEdit.setText(QStringLiteral("ABCDEFGHI"));
    LoseFocus(m_nameEdit);
    m_binder->Load();
    EXPECT_EQ(m_nameEdit.text(), u"가나다라마바사아");
}

TEST_F(FilterSettingsTest, checkBoxClicks_storeTheirState) {
    m_nameCheck.click();
    m_rssiCheck.click();
    EXPECT_TRUE(AppSettings::NameFilterChecked());
    EXPECT_TRUE(AppSettings::RssiFilterChecked());
    m_rssiCheck.click();
    EXPECT_FALSE(AppSettings::RssiFilterChecked());
    EXPECT_EQ(ScratchSettings::ReadText(AppSettings::Value::RssiFilterCheck), "0");
}

// A screen reader or automation toggles a check box without a click; the state is stored all
// the same.
TEST_F(FilterSettingsTest, checkBoxesToggledThroughAccessibility_storeTheirState) {
    for (QCheckBox* check : {&m_nameCheck, &m_rssiCheck}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(check);
        ASSERT_NE(accessible, nullptr);
        ASSERT_NE(accessible->actionInterface(), nullptr);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    }
    EXPECT_TRUE(m_nameCheck.isChecked());
    EXPECT_TRUE(AppSettings::NameFilterChecked());
    EXPECT_TRUE(AppSettings::RssiFilterChecked());
}

}  // namespace
