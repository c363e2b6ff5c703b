#include "CHistoryCombo.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

namespace {

QStringList Items(const CHistoryCombo& box) {
    QStringList items;
    for (int index = 0; index < box.count(); ++index) {
        items << box.itemText(index);
    }
    return items;
}

void Store(CHistoryCombo& box, const QString& line) {
    box.setEditText(line);
    box.StoreEditText();
}

}  // namespace

TEST(CHistoryCombo, keepsTheTenNewestLinesNewestFirstAndEachOnce) {
    CHistoryCombo box;
    for (int line = 1; line <= 11; ++line) {
        Store(box, QStringLiteral("line %1").arg(line));
    }
    EXPECT_EQ(box.count(), 10);
    EXPECT_EQ(box.itemText(0), "line 11");
    EXPECT_EQ(box.itemText(9), "line 2");

    Store(box, QStringLiteral("line 5"));
    EXPECT_EQ(box.count(), 10);
    EXPECT_EQ(Items(box).count("line 5"), 1);
    EXPECT_EQ(box.itemText(0), "line 5");
    EXPECT_EQ(box.itemText(1), "line 11");
    EXPECT_EQ(box.currentText(), "line 5");
}

TEST(CHistoryCombo, storesLinesTrimmedOfSpacesOnlyAndCaseSensitively) {
    CHistoryCombo box;
    Store(box, QStringLiteral(""));
    EXPECT_EQ(box.count(), 0);
    Store(box, QStringLiteral("  AT\t "));
    Store(box, QStringLiteral("at"));
    Store(box, QStringLiteral("   "));
    EXPECT_EQ(Items(box), (QStringList{"", "at", "AT\t"}));
}

TEST(CHistoryCombo, typingCompletesFromTheNewestMatchUntilADeletion) {
    CHistoryCombo box;
    box.AddToHistory(QStringLiteral("hello world"));
    box.AddToHistory(QStringLiteral("help"));
    box.show();
    box.clearEditText();
    QLineEdit* edit = box.lineEdit();

    QTest::keyClicks(&box, "he");
    EXPECT_EQ(edit->text(), "help");
    EXPECT_EQ(edit->selectedText(), "lp");

    QTest::keyClick(&box, Qt::Key_Backspace);  // removes the completed part
    EXPECT_EQ(edit->text(), "he");
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "h");

    QTest::keyClicks(&box, "ello");
    EXPECT_EQ(edit->text(), "hello world");
    EXPECT_EQ(edit->selectedText(), " world");

    box.clearEditText();
    QTest::keyClicks(&box, "HE");
    EXPECT_EQ(edit->text(), "HE");
}

TEST(CHistoryCombo, enterNotifiesOnceAndStillReachesTheEditField) {
    CHistoryCombo box;
    box.show();
    QSignalSpy entered(&box, &CHistoryCombo::historyEnter);
    QSignalSpy returned(box.lineEdit(), &QLineEdit::returnPressed);
    // The edit field hands its focus to the box, so keys arrive at the box.
    ASSERT_EQ(box.lineEdit()->focusProxy(), &box);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(returned.count(), 1);
    EXPECT_EQ(entered.at(0).at(0).value<CHistoryCombo*>(), &box);
    EXPECT_EQ(box.count(), 0);  // Enter itself stores nothing
}
