// The terminal page's view tools against the virtual module: time stamps, hex view, logging,
// find, clear and holding the view while scrolled up.
// Before any Qt header: the module's state has a member named like a Qt keyword.
#include "VirtualModule.h"

#include "AppSettings.h"
#include "RecordingFileAsker.h"
#include "RecordingPrompter.h"
#include "ScratchSettings.h"
#include "SerialTermPage.h"
#include "TermChannel.h"
#include "TermFindBar.h"
#include "TermLogger.h"
#include "TermRichedit.h"
#include "TermToolRow.h"
#include "TermViewOptions.h"
#include "Translations.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// One hex row as shown: the hex column padded to 16 bytes, then the ASCII column.
QString Row(const QString& hex, const QString& ascii) {
    return hex.leftJustified(16 * 3) + " |" + ascii + "|";
}

class TermToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(module.Start());
        page = std::make_unique<SerialTermPage>();
        page->resize(700, 500);
        page->show();
        Open();
    }
    void Open() {
        ASSERT_FALSE(page->OpenPort(QString::fromStdString(module.PortPath()), 115200, 0));
    }
    template <typename Control>
    Control* Find(const char* name) const {
        return page->findChild<Control*>(QLatin1String(name));
    }
    TermRichedit* View() const { return page->findChild<TermRichedit*>(); }
    TermChannel* Channel() const { return page->findChild<TermChannel*>(); }
    QString Shown() const { return View()->PlainText(); }
    // Shown text with every time stamp replaced by "[T] ".
    QString ShownUnstamped() const {
        static const QRegularExpression kStamp(
            QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] "));
        return Shown().replace(kStamp, QStringLiteral("[T] "));
    }
    void Check(const char* name, bool on) {
        auto* box = Find<QCheckBox>(name);
        if (box->isChecked() != on) {
            box->click();
        }
    }
    // Sends `bytes` and waits until the view has taken all bytes sent so far.
    bool SendAndWait(const std::string& bytes) {
        m_sent += bytes.size();
        module.SendRaw(bytes);
        return QTest::qWaitFor([&] { return Channel()->ReceivedBytes() >= m_sent; }, 5000);
    }
    void LogTo(const QString& path, bool asShown) {
        files.AnswerWith(path, asShown ? TermLogger::kFilterShown : TermLogger::kFilterRaw);
        Find<QPushButton>("termLog")->click();
    }
    static QByteArray FileContent(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    ScratchSettings m_settings;  // first: the page reads its options when it is built
    VirtualModule module;
    RecordingPrompter prompter;
    RecordingFileAsker files;
    std::unique_ptr<SerialTermPage> page;
    std::size_t m_sent = 0;
};

}  // namespace

TEST_F(TermToolsTest, timestamps_markEveryLineOnceAlsoWhenItsPartsArriveApart) {
    struct Case {
        const char* name;
        std::vector<std::string> reads;
        QString shown;
    };
    const Case cases[] = {
        {"lines in one read", {"a\r\nb\rc\n"}, "[T] a\n[T] b\n[T] c\n"},
        {"line split across reads", {"ab", "c\r\n", "d"}, "[T] abc\n[T] d"},
        {"CR LF split across reads", {"a\r", "\nb\r\n"}, "[T] a\n[T] b\n"},
    };
    Check("termTimestamps", true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Find<QPushButton>("termClear")->click();
        for (const std::string& read : c.reads) {
            ASSERT_TRUE(SendAndWait(read));
        }
        EXPECT_EQ(ShownUnstamped(), c.shown);
    }
    EXPECT_TRUE(QSettings().value("Default Values/Terminal timestamps").toBool());
}

TEST_F(TermToolsTest, hexRows_continueAcrossReadsAndModeSwitchesLoseNothing) {
    ASSERT_TRUE(SendAndWait("ab\xEA\xB0"));  // the last character is incomplete
    Check("termHexView", true);
    ASSERT_TRUE(SendAndWait("\x80"));
    ASSERT_TRUE(SendAndWait("0123456789abcdef"));
    const QString rows =
        Row("ea b0 80 30 31 32 33 34 35 36 37 38 39 61 62 63", "...0123456789abc") + "\n" +
        Row("64 65 66", "def");
    EXPECT_EQ(Shown(), "ab\n" + rows);
    Check("termHexView", false);
    ASSERT_TRUE(SendAndWait("\xEA\xB0\x80!"));
    EXPECT_EQ(Shown(), "ab\n" + rows + QString::fromUtf8("\n\xEA\xB0\x80!"));
}

// Clear in hex view empties the unfinished row too: it is not shown again with the next bytes,
// nor when hex view is switched off.
TEST_F(TermToolsTest, clearInHexView_doesNotBringTheClearedRowBack) {
    struct Case {
        const char* name;
        bool hexAfterClear;
        QString shown;
    };
    const Case cases[] = {
        {"next bytes in hex", true, Row("78 79 7a", "xyz")},
        {"hex view switched off", false, "xyz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Check("termHexView", true);
        ASSERT_TRUE(SendAndWait("GHIJKLMNO"));
        ASSERT_EQ(Shown(), Row("47 48 49 4a 4b 4c 4d 4e 4f", "GHIJKLMNO"));
        Find<QPushButton>("termClear")->click();
        Check("termHexView", c.hexAfterClear);
        ASSERT_TRUE(SendAndWait("xyz"));
        EXPECT_EQ(Shown(), c.shown);
        Find<QPushButton>("termClear")->click();
    }
}

// The text log is the text as shown: stopping it, or closing the window, writes the unfinished
// row the view shows, ended as a line.
TEST_F(TermToolsTest, textLogEndingMidRow_holdsTheRowTheViewShows) {
    QTemporaryDir folder;
    const QString rows =
        Row("30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66", "0123456789abcdef") + "\n" +
        Row("67 68 69 6a", "ghij");
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"stop log", [&] { Find<QPushButton>("termLog")->click(); }},
        {"close the window", [&] { page.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Find<QPushButton>("termClear")->click();
        Check("termHexView", true);
        const QString path = folder.filePath(QString::fromUtf8(c.name) + ".txt");
        LogTo(path, true);
        ASSERT_TRUE(SendAndWait("0123456789abcdefghij"));
        ASSERT_EQ(Shown(), rows);
        c.end();
        EXPECT_EQ(QString::fromUtf8(FileContent(path)), rows + "\n");
    }
}

TEST_F(TermToolsTest, log_holdsExactlyWhatWasReceivedAcrossAReopenAndClear) {
    QTemporaryDir folder;
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte.push_back(static_cast<char>(byte));
    }
    struct Case {
        bool asShown;
        QByteArray expected;
    };
    const Case cases[] = {
        {false, QByteArray::fromStdString("one\r\ntwo\r" + everyByte + "three")},
        {true, QByteArray("one\ntwo\nthree")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asShown);
        const QString path = folder.filePath(c.asShown ? "shown.txt" : "raw.log");
        QSignalSpy status(page.get(), &SerialTermPage::logStatusChanged);
        LogTo(path, c.asShown);
        ASSERT_EQ(status.size(), 1);
        EXPECT_TRUE(status.at(0).at(0).toString().contains(QFileInfo(path).fileName()));
        ASSERT_TRUE(SendAndWait("one\r\n"));
        Find<QPushButton>("termClear")->click();
        EXPECT_TRUE(Shown().isEmpty());
        ASSERT_TRUE(SendAndWait("two\r"));
        page->ClosePort();  // the log stays on across a reopen
        m_sent = 0;
        Open();
        ASSERT_TRUE(SendAndWait(c.asShown ? std::string() + "three" : everyByte + "three"));
        Find<QPushButton>("termLog")->click();  // "Stop log"
        EXPECT_EQ(status.size(), 2);
        EXPECT_TRUE(status.at(1).at(0).toString().isEmpty());
        EXPECT_EQ(FileContent(path), c.expected);
        EXPECT_TRUE(prompter.messages.empty());
        page->ClosePort();
        m_sent = 0;
        Open();
    }
}

// The third kind of log is the text as shown without escape sequences and control characters;
// the choice is offered again next time.
TEST_F(TermToolsTest, plainTextLog_dropsEscapeSequences) {
    QTemporaryDir folder;
    const QString path = folder.filePath("plain.txt");
    files.AnswerWith(path, TermLogger::kFilterPlain);
    Find<QPushButton>("termLog")->click();
    ASSERT_TRUE(SendAndWait("\x1B[1;31mred\x1B[0m \x1B]0;title\x07ok\x07\r\n"));
    Find<QPushButton>("termLog")->click();
    EXPECT_EQ(FileContent(path), "red ok\n");
    files.answer.reset();
    Find<QPushButton>("termLog")->click();
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[1].filter, TermLogger::kFilterPlain);
}

// The format is chosen beside the time stamps box, stored, and used from the next line on.
TEST_F(TermToolsTest, stampFormat_isChosenInTheToolRowAndStored) {
    auto* format = Find<QComboBox>("termStampFormat");
    EXPECT_FALSE(format->isEnabled());
    Check("termTimestamps", true);
    ASSERT_TRUE(format->isEnabled());
    format->setCurrentIndex(format->findData(static_cast<int>(StampFormat::kSinceOpen)));
    ASSERT_TRUE(SendAndWait("a\r\n"));
    EXPECT_TRUE(QRegularExpression("^\\[\\d+\\.\\d\\d\\d\\] a\n$").match(Shown()).hasMatch())
        << Shown().toStdString();
    EXPECT_EQ(ScratchSettings::ReadText(AppSettings::Value::TermStampFormat), "2");
}

// The save dialog offers the format chosen last, under a name to match, and does not ask before
// an existing file (the log appends to it); cancelling starts nothing and keeps that choice.
TEST_F(TermToolsTest, logDialog_offersTheLastFormat_andCancellingStartsNothing) {
    struct Case {
        bool storedAsShown;
        int filter;
        const char* suffix;
    };
    const Case cases[] = {
        {false, TermLogger::kFilterRaw, ".log"},
        {true, TermLogger::kFilterShown, ".txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedAsShown);
        AppSettings::SetTermLogAsShown(c.storedAsShown);
        files.requests.clear();
        files.answer.reset();
        Find<QPushButton>("termLog")->click();
        ASSERT_EQ(files.requests.size(), 1u);
        const FileAsker::Request& request = files.requests[0];
        EXPECT_EQ(request.purpose, FileAsker::Purpose::Save);
        EXPECT_FALSE(request.confirmOverwrite);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_TRUE(QFileInfo(request.path).fileName().startsWith("skw-"))
            << request.path.toStdString();
        EXPECT_TRUE(request.path.endsWith(c.suffix)) << request.path.toStdString();
        EXPECT_FALSE(page->findChild<TermLogger*>()->IsLogging());
        EXPECT_EQ(AppSettings::TermLogAsShown(), c.storedAsShown);
        EXPECT_EQ(Find<QPushButton>("termLog")->text(), QString::fromUtf8("Log…"));
    }
}

TEST_F(TermToolsTest, logErrors_showOneMessageAndTheTerminalCarriesOn) {
    struct Case {
        const char* name;
        QString path;
        const char* message;
    };
    const Case cases[] = {
        {"cannot open", "/nonexistent-folder/x.log", "cannot be opened"},
        {"disk full", "/dev/full", "Logging stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.messages.clear();
        LogTo(c.path, false);
        ASSERT_TRUE(SendAndWait("data\r\n"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter.messages.empty(); }, 5000));
        ASSERT_TRUE(SendAndWait("more\r\n"));
        QTest::qWait(50);  // a second message would have been queued by now
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_TRUE(prompter.messages[0].text.contains(c.message))
            << prompter.messages[0].text.toStdString();
        EXPECT_FALSE(page->findChild<TermLogger*>()->IsLogging());
        EXPECT_TRUE(page->IsPortOpen());
        EXPECT_TRUE(Shown().endsWith("more\n"));
        EXPECT_EQ(Find<QPushButton>("termLog")->text(), QString::fromUtf8("Log…"));
    }
}

TEST_F(TermToolsTest, find_wrapsAroundAndEscapeOnlyClosesTheBar) {
    ASSERT_TRUE(SendAndWait("alpha\r\nbeta\r\nALPHA\r\n"));
    QTest::keySequence(View(), QKeySequence::Find);
    auto* bar = Find<TermFindBar>("termFindBar");
    ASSERT_TRUE(bar->isVisible());
    Find<QLineEdit>("termFindText")->setText("alpha");
    const auto selectionStart = [&] { return View()->SelectionStart(); };
    ASSERT_TRUE(bar->FindNext());
    EXPECT_EQ(selectionStart(), 0);
    ASSERT_TRUE(bar->FindNext());
    EXPECT_EQ(selectionStart(), 11);  // case-insensitive
    ASSERT_TRUE(bar->FindNext());
    EXPECT_EQ(selectionStart(), 0);  // wrapped
    ASSERT_TRUE(bar->FindPrevious());
    EXPECT_EQ(selectionStart(), 11);  // wrapped backwards
    Find<QCheckBox>("termFindMatchCase")->setChecked(true);
    Find<QLineEdit>("termFindText")->setText("ALPHA");
    ASSERT_TRUE(bar->FindNext());
    EXPECT_EQ(selectionStart(), 11);

    QTest::keyClick(Find<QLineEdit>("termFindText"), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(page->IsPortOpen());
}

TEST_F(TermToolsTest, scrolledUp_theViewHoldsItsPlaceAndFollowsAgainAtTheEnd) {
    Check("termHoldScroll", true);
    const auto lines = [](int first, int count) {
        std::string text;
        for (int line = first; line < first + count; ++line) {
            text += "line " + std::to_string(line) + " of the stream\r\n";
        }
        return text;
    };
    ASSERT_TRUE(SendAndWait(lines(0, 200)));
    QScrollBar* bar = View()->verticalScrollBar();
    ASSERT_EQ(bar->value(), bar->maximum());
    bar->setValue(bar->maximum() / 2);
    const auto topLine = [&] { return View()->LineAt(QPoint(2, 2)); };
    const QString readingAt = topLine();
    // Enough to trim lines from the top at the 32,767-character limit.
    ASSERT_TRUE(SendAndWait(lines(200, 1200)));
    EXPECT_EQ(topLine(), readingAt);
    EXPECT_LT(bar->value(), bar->maximum());

    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    ASSERT_TRUE(SendAndWait(lines(1400, 10)));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(Shown().endsWith("line 1409 of the stream\n"));
}

// The tool row and the page's line-end boxes share one set of options: a choice in one undoes
// none made in the other, each is stored under its own name, and a new page starts from them.
TEST_F(TermToolsTest, viewChoices_areStoredTogetherAndNoneUndoesAnother) {
    using AppSettings::Value;
    const auto idBox = [&](int id) { return page->findChild<QCheckBox*>(QString::number(id)); };
    idBox(SerialTermPage::kIdLineEndCr)->click();  // off
    Check("termTimestamps", true);
    idBox(SerialTermPage::kIdLineEndLf)->click();  // on
    auto* scrollback = Find<QComboBox>("termScrollback");
    scrollback->setCurrentIndex(scrollback->findData(1'000'000));
    Check("termHoldScroll", true);
    Check("termHexView", true);
    const struct {
        Value name;
        const char* stored;
    } cases[] = {{Value::LineEndCr, "0"},      {Value::LineEndLf, "1"},
                 {Value::TermTimestamps, "1"}, {Value::TermHexView, "1"},
                 {Value::TermHoldScroll, "1"}, {Value::TermScrollback, "1000000"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScratchSettings::ReadText(c.name), c.stored)
            << AppSettings::StoreKey(c.name).toStdString();
    }

    page = std::make_unique<SerialTermPage>();
    EXPECT_FALSE(idBox(SerialTermPage::kIdLineEndCr)->isChecked());
    EXPECT_TRUE(idBox(SerialTermPage::kIdLineEndLf)->isChecked());
    for (const char* name : {"termTimestamps", "termHexView", "termHoldScroll"}) {
        EXPECT_TRUE(Find<QCheckBox>(name)->isChecked()) << name;
    }
    EXPECT_EQ(Find<QComboBox>("termScrollback")->currentData().toInt(), 1'000'000);
}

TEST_F(TermToolsTest, viewTools_haveEnglishAndKoreanTextsAndAccessibleNames) {
    const auto texts = [&] {
        QStringList captions;
        for (const char* name : {"termTimestamps", "termHexView", "termHoldScroll"}) {
            captions << Find<QCheckBox>(name)->text();
        }
        for (const char* name : {"termFind", "termClear", "termLog", "termFindNext"}) {
            captions << Find<QPushButton>(name)->text();
        }
        return captions;
    };
    const QStringList english = texts();
    EXPECT_EQ(english, QStringList({"Timestamps", "Hex view", "Hold when scrolled up", "Find",
                                    "Clear", QString::fromUtf8("Log…"), "Next"}));
    Translations::Install(QStringLiteral("ko"));
    page = std::make_unique<SerialTermPage>();
    const QStringList korean = texts();
    Translations::Install(QStringLiteral("en"));
    EXPECT_EQ(korean, QStringList({QString::fromUtf8("시간 표시"), QString::fromUtf8("16진수 보기"),
                                   QString::fromUtf8("스크롤 위치 유지"), QString::fromUtf8("찾기"),
                                   QString::fromUtf8("지우기"), QString::fromUtf8("로그…"),
                                   QString::fromUtf8("다음")}));
    QList<QWidget*> controls = page->findChild<TermToolRow*>()->findChildren<QWidget*>();
    controls += page->findChild<TermFindBar*>()->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        if (control->inherits("QAbstractButton") || control->inherits("QComboBox") ||
            control->inherits("QLineEdit")) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
}

// A size stored by an earlier version that offered more is shown as the largest offered now.
TEST(TermViewOptionsTest, storedScrollback_isShownAsTheLargestOfferedNotAboveIt) {
    const struct {
        int stored;
        int offered;
    } cases[] = {{32767, 32767},
                 {1'000'000, 1'000'000},
                 {5'000'000, 5'000'000},
                 {10'000'000, 5'000'000},
                 {2'000'000, 1'000'000},
                 {100, 32767},
                 {-1, 32767}};
    for (const auto& c : cases) {
        EXPECT_EQ(TermViewOptions::OfferedScrollback(c.stored), c.offered) << c.stored;
    }
}

// Saving writes only what was changed: a value stored by an earlier version or another window
// stays as it is stored.
TEST(TermViewOptionsTest, save_storesOnlyWhatChangedAndLeavesTheOtherStoredValues) {
    using AppSettings::Value;
    ScratchSettings settings;
    ScratchSettings::Store(Value::TermScrollback, 2'000'000);
    ScratchSettings::Store(Value::TermHexView, 5);
    const TermViewOptions loaded = TermViewOptions::Load();
    EXPECT_EQ(loaded.scrollback, 1'000'000);
    EXPECT_TRUE(loaded.hexView);
    AppSettings::SetLineEndLineFeed(true);  // another window, meanwhile

    TermViewOptions chosen = loaded;
    chosen.timestamps = true;
    chosen.Save(loaded);
    EXPECT_EQ(ScratchSettings::ReadText(Value::TermTimestamps), "1");
    EXPECT_EQ(ScratchSettings::ReadText(Value::TermScrollback), "2000000");
    EXPECT_EQ(ScratchSettings::ReadText(Value::TermHexView), "5");
    EXPECT_EQ(ScratchSettings::ReadText(Value::LineEndLf), "1");
    EXPECT_FALSE(ScratchSettings::Read(Value::TermHoldScroll).has_value());
}
