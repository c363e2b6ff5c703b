#include "PtyPeer.h"
#include "TermChannel.h"
#include "TermRichedit.h"
#include "TermViewLink.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTest>

#include <chrono>
#include <string>

using namespace std::chrono_literals;

namespace {

std::string AsString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The view as the page has it: fed by a channel and sending through it.
class TermRicheditTest : public ::testing::Test {
protected:
    void SetUp() override {
        LinkViewToChannel(view, channel);
        view.show();
    }

    void OpenPort() {
        ASSERT_FALSE(
            channel.Open(QString::fromStdString(peer.SlavePath()), PortSettings::At(115200)));
    }
    void ClearReceived() {
        channel.ClearReceived();
        view.Clear();
    }
    QString Shown() const { return view.PlainText(); }
    bool WaitUntilShown(const QString& text) {
        return QTest::qWaitFor([&] { return Shown() == text; }, 5000);
    }
    std::string ReadFromPeer(std::size_t count) { return AsString(peer.ReadExactly(count, 5s)); }

    PtyPeer peer;
    TermChannel channel;
    TermRichedit view;
};

// Text made of numbered lines "line 00000 ...\n", `count` of them.
QString NumberedLines(int first, int count) {
    QString text;
    for (int line = first; line < first + count; ++line) {
        text += QStringLiteral("line %1 the quick brown fox\n").arg(line, 5, 10, QChar(u'0'));
    }
    return text;
}

}  // namespace

TEST_F(TermRicheditTest, receivedBytes_showAsUtf8Text) {
    OpenPort();
    struct Case {
        std::string bytes;
        QString shown;
    };
    const Case cases[] = {
        {"hi\r\nthere", "hi\nthere"},
        {"\xEA\xB0\x80", QString::fromUtf8("\xEA\xB0\x80")},
        {std::string("A\0B\0C", 5), "ABC"},  // NUL hides nothing after it
        {"\xFF!", QString(QChar(0xFFFD)) + "!"},
    };
    for (const Case& c : cases) {
        ClearReceived();
        peer.Write(c.bytes);
        EXPECT_TRUE(WaitUntilShown(c.shown)) << Shown().toStdString();
    }
}

TEST_F(TermRicheditTest, partsArrivingInSeparateReads_showAsTheWholeStream) {
    OpenPort();
    peer.Write("x\xEA\xB0");
    ASSERT_TRUE(WaitUntilShown("x"));  // the incomplete character waits
    peer.Write("\x80y\r");
    ASSERT_TRUE(WaitUntilShown(QString::fromUtf8("x\xEA\xB0\x80y\n")));
    peer.Write("\nz");  // the rest of the CR LF pair
    EXPECT_TRUE(WaitUntilShown(QString::fromUtf8("x\xEA\xB0\x80y\nz")));
}

TEST_F(TermRicheditTest, textOverTheLimit_keepsTheNewestWholeLinesInPiecesOrAtOnce) {
    const QString all = NumberedLines(0, 2000);
    TermRichedit atOnce;
    atOnce.AppendText(all);
    for (int piece = 0; piece < 2000; piece += 50) {
        view.AppendText(NumberedLines(piece, 50));
    }
    const QString kept = Shown();
    EXPECT_EQ(atOnce.PlainText(), kept);
    EXPECT_LE(view.CharacterCount(), TermRichedit::kTextLimit);
    EXPECT_GT(view.CharacterCount(), TermRichedit::kTextLimit - 40);
    EXPECT_TRUE(all.endsWith(kept));
    EXPECT_TRUE(kept.startsWith("line ")) << "a line was cut";
    EXPECT_TRUE(kept.endsWith(NumberedLines(1999, 1)));
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
}

// A burst shows in turns that may each be over the limit; only their newest part is built.
TEST_F(TermRicheditTest, receivedBurstOverTheLimit_keepsTheNewestWholeLinesAsTextAddedAtOnce) {
    const QString all = NumberedLines(0, 6000);
    TermRichedit atOnce;
    atOnce.AppendText(all);
    OpenPort();
    const QByteArray bytes = all.toUtf8();
    peer.Write(bytes.toStdString());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return channel.ReceivedBytes() == static_cast<std::uint64_t>(bytes.size()); },
        10000));
    EXPECT_EQ(Shown(), atOnce.PlainText());
}

TEST_F(TermRicheditTest, lineLongerThanTheLimit_keepsItsNewestCharacters) {
    const QString line = QString(TermRichedit::kTextLimit, u'a') + QStringLiteral("tail");
    view.AppendText(QStringLiteral("old\n"));
    view.AppendText(line);
    EXPECT_EQ(Shown().size(), TermRichedit::kTextLimit);
    EXPECT_TRUE(Shown().endsWith("aatail"));
}

TEST_F(TermRicheditTest, typedKeys_goOutAtOnceAndEnterSendsTheChosenLineEnd) {
    OpenPort();
    struct Case {
        bool cr, lf;
        std::string sent;
        QString shown;
    };
    const Case cases[] = {
        {true, false, "a\r", "a\n"},
        {false, true, "a\n", "a\n"},
        {true, true, "a\r\n", "a\n"},
        {false, false, "a", "a"},  // Enter does nothing at all
    };
    for (const Case& c : cases) {
        ClearReceived();
        view.SetLineEnd(c.cr, c.lf);
        QTest::keyClick(&view, Qt::Key_A);
        QTest::keyClick(&view, Qt::Key_Return);
        EXPECT_EQ(ReadFromPeer(c.sent.size()), c.sent);
        EXPECT_EQ(Shown(), c.shown);
    }
    QTest::keyClick(&view, Qt::Key_Z);
    EXPECT_EQ(ReadFromPeer(1), "z");
}

TEST_F(TermRicheditTest, editingKeysChangeAndSendNothingAndTypingGoesToTheEnd) {
    view.AppendText(QStringLiteral("abc"));
    QTest::keyClick(&view, Qt::Key_X);  // port closed: swallowed
    EXPECT_EQ(Shown(), "abc");

    OpenPort();
    view.Select(1, 2);
    // Escape belongs to the window (which consumes it); it sends no 0x1B.
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right,
                              Qt::Key_Up, Qt::Key_Down, Qt::Key_Escape}) {
        QTest::keyClick(&view, key);
    }
    QTest::keyClick(&view, Qt::Key_Q);
    EXPECT_EQ(ReadFromPeer(1), "q");  // nothing went out before it
    EXPECT_EQ(Shown(), "abcq");
}

TEST_F(TermRicheditTest, inputMethodCommit_isSentAsUtf8AndNotShown) {
    OpenPort();
    view.AppendText(QStringLiteral(">"));
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("\xEA\xB0\x80"));
    QCoreApplication::sendEvent(&view, &composed);
    EXPECT_EQ(ReadFromPeer(3), "\xEA\xB0\x80");
    EXPECT_EQ(Shown(), ">");
}

// The selection is of the text shown: it follows its lines while lines are trimmed above it, and
// copying puts it on the clipboard.
TEST_F(TermRicheditTest, selection_followsItsLinesAndIsCopied) {
    view.SetTextLimit(40);
    view.AppendText(QStringLiteral("first line\nsecond line\nthird"));
    view.Select(11, 17);
    EXPECT_EQ(view.SelectedText(), "second");
    view.AppendText(QStringLiteral(" line\nfourth line\n"));  // "first line" is trimmed
    EXPECT_EQ(view.SelectionStart(), 0);
    EXPECT_EQ(view.SelectedText(), "second");
    view.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), "second");
    view.SelectAll();
    EXPECT_EQ(view.SelectedText(), view.PlainText());
}
