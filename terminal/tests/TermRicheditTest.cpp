#include "PtyPeer.h"
#include "TermChannel.h"
#include "TermRichedit.h"
#include "TermViewLink.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <string>
#include <vector>

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

namespace {

QAccessibleTextInterface* TextOf(TermRichedit& view) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&view);
    return node != nullptr ? node->textInterface() : nullptr;
}

QString AccessibleText(TermRichedit& view) {
    QAccessibleTextInterface* text = TextOf(view);
    return text != nullptr ? text->text(0, text->characterCount()) : QStringLiteral("<none>");
}

// A view that keeps the text-changed events it announces, as (kind, position, removed, inserted).
struct TextEvent {
    QAccessible::Event kind;
    int position;
    QString removed;
    QString inserted;
    bool operator==(const TextEvent&) const = default;
};

class AnnouncingView : public TermRichedit {
public:
    std::vector<TextEvent> events;

protected:
    void Announce(QAccessibleEvent* event) override {
        switch (event->type()) {
            case QAccessible::TextInserted: {
                const auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
                events.push_back({e->type(), e->changePosition(), {}, e->textInserted()});
                break;
            }
            case QAccessible::TextRemoved: {
                const auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
                events.push_back({e->type(), e->changePosition(), e->textRemoved(), {}});
                break;
            }
            case QAccessible::TextUpdated: {
                const auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
                events.push_back(
                    {e->type(), e->changePosition(), e->textRemoved(), e->textInserted()});
                break;
            }
            default:
                break;
        }
        TermRichedit::Announce(event);
    }
};

}  // namespace

TEST_F(TermRicheditTest, accessibleText_isWhatIsShownInEveryView) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(node, nullptr);
    ASSERT_NE(node->textInterface(), nullptr);
    EXPECT_EQ(node->role(), QAccessible::EditableText);
    EXPECT_TRUE(node->state().readOnly);
    OpenPort();
    struct Case {
        const char* name;
        bool hex;
        bool timestamps;
        int limit;
    };
    const Case cases[] = {
        {"plain, trimmed", false, false, 200},
        {"hex view", true, false, TermRichedit::kTextLimit},
        {"time stamps", false, true, TermRichedit::kTextLimit},
    };
    const std::string received =
        NumberedLines(0, 20).toStdString() + "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 end";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        channel.SetHexView(c.hex);
        channel.SetTimestamps(c.timestamps);
        view.SetTextLimit(c.limit);
        ClearReceived();
        EXPECT_EQ(TextOf(view)->characterCount(), 0);
        peer.Write(received);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Shown().contains(c.hex ? "64" : "end"); }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(AccessibleText(view), Shown());
        EXPECT_EQ(TextOf(view)->characterCount(), view.CharacterCount());
        EXPECT_LE(view.CharacterCount(), c.limit);
    }
    view.Clear();
    EXPECT_EQ(AccessibleText(view), QString());
}

TEST_F(TermRicheditTest, accessibleTextAtOffset_findsCharactersWordsAndLines) {
    const QString text = QString::fromUtf8("first line\nsecond 한국어 line\nthird");
    view.AppendText(text);
    QAccessibleTextInterface* access = TextOf(view);
    ASSERT_NE(access, nullptr);
    const int korean = static_cast<int>(text.indexOf(QString::fromUtf8("한국어")));
    struct Case {
        int offset;
        QAccessible::TextBoundaryType type;
        QString before, at, after;
    };
    const QString second = QString::fromUtf8("second 한국어 line\n");
    const Case cases[] = {
        {korean + 1, QAccessible::LineBoundary, "first line\n", second, "third"},
        {korean + 1, QAccessible::ParagraphBoundary, "first line\n", second, "third"},
        {0, QAccessible::LineBoundary, "", "first line\n", second},
        {korean + 1, QAccessible::WordBoundary, " ", QString::fromUtf8("한국어"), " "},
        {korean + 1, QAccessible::CharBoundary, QString::fromUtf8("한"), QString::fromUtf8("국"),
         QString::fromUtf8("어")},
        {static_cast<int>(text.size()) - 1, QAccessible::CharBoundary, "r", "d", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " boundary " << c.type);
        int start = -1;
        int end = -1;
        const QString at = access->textAtOffset(c.offset, c.type, &start, &end);
        EXPECT_EQ(at, c.at);
        EXPECT_EQ(text.mid(start, end - start), c.at);
        EXPECT_EQ(access->textBeforeOffset(c.offset, c.type, &start, &end), c.before);
        EXPECT_EQ(access->textAfterOffset(c.offset, c.type, &start, &end), c.after);
    }
}

// The largest scrollback: reading it whole is correct, reading at an offset is quick.
TEST_F(TermRicheditTest, accessibleText_ofTheLargestScrollback) {
    view.SetTextLimit(5'000'000);
    const QString lines = NumberedLines(0, 2000);
    for (int round = 0; round < 100; ++round) {
        view.AppendText(lines);
    }
    view.AppendText(QStringLiteral("last"));
    QAccessibleTextInterface* access = TextOf(view);
    ASSERT_NE(access, nullptr);
    const int count = access->characterCount();
    EXPECT_EQ(count, view.CharacterCount());
    EXPECT_GT(count, 4'900'000);
    const QString all = view.PlainText();
    EXPECT_EQ(access->text(0, count), all);
    struct Read {
        int offset, start, end;
        QString line;
    };
    std::vector<Read> reads;
    QElapsedTimer clock;
    clock.start();
    for (int step = 0; step < 1000; ++step) {
        Read read{count - 6 - step * 4000, 0, 0, {}};
        read.line =
            access->textAtOffset(read.offset, QAccessible::LineBoundary, &read.start, &read.end);
        reads.push_back(read);
    }
    EXPECT_LT(clock.elapsed(), 1000);  // each a line's copy, not the store's
    for (const Read& read : reads) {
        ASSERT_EQ(read.line, all.mid(read.start, read.end - read.start)) << read.offset;
        ASSERT_TRUE(read.start <= read.offset && read.offset < read.end) << read.offset;
        ASSERT_TRUE(read.start == 0 || all[read.start - 1] == u'\n') << read.offset;
        ASSERT_TRUE(read.line.endsWith(u'\n') || read.end == count) << read.offset;
    }
    int start = 0;
    int end = 0;
    EXPECT_EQ(access->textAtOffset(count - 2, QAccessible::LineBoundary, &start, &end), "last");
}

TEST_F(TermRicheditTest, findAndSelect_areTheAccessibleSelectionAndCaret) {
    view.AppendText(QStringLiteral("first line\nsecond line\nthird"));
    QAccessibleTextInterface* access = TextOf(view);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->selectionCount(), 0);
    ASSERT_TRUE(view.Find(QStringLiteral("second"), false, true));
    int start = 0;
    int end = 0;
    ASSERT_EQ(access->selectionCount(), 1);
    access->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(11, 17));
    EXPECT_EQ(access->cursorPosition(), 17);

    access->setSelection(0, 0, 5);
    EXPECT_EQ(view.SelectedText(), "first");
    access->removeSelection(0);
    EXPECT_EQ(access->selectionCount(), 0);
    access->setCursorPosition(24);
    EXPECT_EQ(access->cursorPosition(), 24);
    access->addSelection(18, 22);
    EXPECT_EQ(view.SelectedText(), "line");

    // The extents of a character and the character at a point agree.
    const QRect cell = access->characterRect(13);
    EXPECT_TRUE(cell.isValid());
    EXPECT_EQ(access->offsetAtPoint(cell.center()), 13);
}

// A stream changes the text many times a frame; assistive tools hear of it once a frame, as one
// change: what was trimmed from the top, what came at the end.
TEST(TermRicheditAnnounce, textChanges_areAnnouncedOncePerFrame) {
    AnnouncingView view;
    view.SetTextLimit(60);
    view.AppendText(QStringLiteral("old line\n"));
    ASSERT_NE(TextOf(view), nullptr);  // announcing starts with the first question
    QTest::qWait(50);
    EXPECT_TRUE(view.events.empty());
    for (int piece = 0; piece < 20; ++piece) {
        view.AppendText(QStringLiteral("ab"));
    }
    EXPECT_TRUE(view.events.empty());
    QTest::qWait(50);
    EXPECT_EQ(view.events,
              (std::vector<TextEvent>{
                  {QAccessible::TextInserted, 9, {}, QStringLiteral("ab").repeated(20)}}));
    view.events.clear();
    view.AppendText(QStringLiteral("\nnew line\nmore"));  // over the limit: "old line" goes
    QTest::qWait(50);
    EXPECT_EQ(view.events,
              (std::vector<TextEvent>{
                  {QAccessible::TextRemoved, 0, QStringLiteral("old line\n"), {}},
                  {QAccessible::TextInserted, 40, {}, QStringLiteral("\nnew line\nmore")}}));
    // A partial line taken back and written again: one update of the end.
    view.events.clear();
    view.ShowUpdate(ShownUpdate{4, u"more!\n", u"x"});
    QTest::qWait(50);
    EXPECT_EQ(view.events,
              (std::vector<TextEvent>{{QAccessible::TextUpdated, 50, QStringLiteral("more"),
                                       QStringLiteral("more!\nx")}}));
    EXPECT_TRUE(view.PlainText().endsWith("more!\nx"));
    view.events.clear();
    const QString before = view.PlainText();
    view.Clear();
    EXPECT_EQ(view.events, (std::vector<TextEvent>{{QAccessible::TextRemoved, 0, before, {}}}));
}

TEST_F(TermRicheditTest, contextMenu_isOneMenuOnTheAccessibilityBusInEitherLanguage) {
    for (const char* language : {"en", "ko"}) {
        SCOPED_TRACE(language);
        Translations::Install(QString::fromLatin1(language));
        QMenu* menu = view.ContextMenu();
        ASSERT_NE(menu, nullptr);
        QTimer::singleShot(0, menu, [&] {
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(menu);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->role(), QAccessible::PopupMenu);
            QStringList names;
            for (int child = 0; child < node->childCount(); ++child) {
                names << node->child(child)->text(QAccessible::Name);
            }
            const QStringList expected =
                QString::fromLatin1(language) == "ko"
                    ? QStringList{QString::fromUtf8("복사"), QString::fromUtf8("붙여넣기"),
                                  QString::fromUtf8("모두 선택")}
                    : QStringList{"Copy", "Paste", "Select all"};
            EXPECT_EQ(names, expected);
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                view.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view.viewport(), &event);
    }
    Translations::Install(QStringLiteral("en"));
}
