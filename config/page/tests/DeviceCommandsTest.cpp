#include "PageFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace {

class DeviceCommandsTest : public PageFixture {
protected:
    void SetUp() override {
        StartModule("GaX-sKW523");
        OpenAndWaitReady();
        Reset();
    }

    void Reset() {
        m_module->ClearCommands();
        m_prompter.messages.clear();
        m_setupRequests = 0;
    }

    // Clicks `button` with `text` in `edit`; returns the one message shown once the page is
    // ready again.
    RecordingPrompter::Message Apply(int edit, const QString& text, int button) {
        Reset();
        Get<QLineEdit>(edit)->setText(text);
        EXPECT_TRUE(Click(button));
        EXPECT_TRUE(WaitForMessages(1));
        EXPECT_TRUE(WaitReady());
        EXPECT_EQ(m_prompter.messages.size(), 1u);
        return m_prompter.messages.empty() ? RecordingPrompter::Message{}
                                           : m_prompter.messages.front();
    }

    std::vector<std::string> CommandsAfterVerification() const {
        std::vector<std::string> commands = m_module->Commands();
        std::erase(commands, "AT+MODEL?");
        return commands;
    }
};

TEST_F(DeviceCommandsTest, deviceName_isLimitedToEightUtf8Bytes) {
    const struct {
        QString name;
        bool accepted;
    } cases[] = {{QStringLiteral("ABCDEFGH"), true},
                 {QStringLiteral("ABCDEFGHI"), false},
                 {QStringLiteral("센서"), true},
                 {QStringLiteral("온도계"), false},
                 {QString(), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const auto message = Apply(kIdDeviceName, c.name, kIdChangeName);
        const std::string utf8 = c.name.toStdString();
        if (c.accepted) {
            EXPECT_EQ(message.text, u"Completed device name settings.");
            EXPECT_EQ(message.icon, Prompter::Icon::Information);
            EXPECT_EQ(CommandsAfterVerification(), std::vector<std::string>{"AT+MANUF=" + utf8});
            EXPECT_EQ(m_module->Settings().deviceName, utf8);
        } else {
            EXPECT_EQ(message.text, u"The device name is too long.");
            EXPECT_EQ(message.icon, Prompter::Icon::Warning);
            EXPECT_TRUE(m_module->Commands().empty());
        }
    }
}

// Pasted or copied text with a control character: "A\rATZ" would send "AT+MANUF=A" and then
// a reset of its own.
TEST_F(DeviceCommandsTest, textWithControlCharacters_isRefusedAndNothingIsSent) {
    const QString refused = QStringLiteral(
        "The name must not contain control characters such as line breaks or tabs. Nothing was "
        "sent.");
    for (const QString& text :
         {QStringLiteral("A\rATZ"), QStringLiteral("NAME\n"), QStringLiteral("NA\u0085ME")}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(Apply(kIdDeviceName, text, kIdChangeName).text, refused);
        EXPECT_TRUE(m_module->Commands().empty());
    }
    // A comma would make the module cut the name there.
    const auto comma = Apply(kIdDeviceName, QStringLiteral("A,B"), kIdChangeName);
    EXPECT_EQ(comma.text,
              u"The device name must not contain commas: the module would cut it there. Nothing "
              u"was sent.");
    EXPECT_EQ(comma.icon, Prompter::Icon::Warning);
    EXPECT_TRUE(m_module->Commands().empty());
}

TEST_F(DeviceCommandsTest, advertisingInterval_isTwentyTo2560Milliseconds) {
    const struct {
        const char* text;
        const char* sent;  // nullptr: refused
    } cases[] = {{"19", nullptr},
                 {"20", "AT+ADVINTERVAL=20"},
                 {"2560", "AT+ADVINTERVAL=2560"},
                 {"2561", nullptr},
                 {"", nullptr},
                 {"ms100", nullptr},
                 {"4294967396", nullptr},  // once 100 after a 32-bit wrap
                 {"100ms", "AT+ADVINTERVAL=100"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto message = Apply(kIdAdvInterval, QString::fromUtf8(c.text), kIdAdvApply);
        if (c.sent != nullptr) {
            EXPECT_EQ(message.text, u"Setting advertising interval has been completed.");
            EXPECT_EQ(CommandsAfterVerification(), std::vector<std::string>{c.sent});
        } else {
            EXPECT_EQ(message.text, u"Invalid advertising interval value.");
            EXPECT_EQ(message.icon, Prompter::Icon::Error);
            EXPECT_TRUE(m_module->Commands().empty());
        }
    }
}

TEST_F(DeviceCommandsTest, factoryReset_isAskedFirstAndCancelSendsNothing) {
    m_prompter.answers = {Prompter::Answer::Cancel};
    ASSERT_TRUE(Click(kIdFactoryReset));
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].text,
              u"Reset to factory settings. Are you sure you want to continue?");
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Question);
    EXPECT_EQ(m_prompter.messages[0].buttons, Prompter::Buttons::OkCancel);
    EXPECT_TRUE(Get(kIdFactoryReset)->isEnabled());

    m_prompter.answers = {Prompter::Answer::Ok};
    ASSERT_TRUE(Click(kIdFactoryReset));
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    EXPECT_EQ(m_module->Commands(), std::vector<std::string>{"AT&F"});
    EXPECT_EQ(m_prompter.messages.size(), 2u);  // the two questions, nothing after the reset
    EXPECT_FALSE(m_page->IsPortOpen());
}

TEST_F(DeviceCommandsTest, rebootAndUart_restartTheModuleAndLeadBackToThePortSettings) {
    ASSERT_TRUE(Click(kIdReboot));
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    EXPECT_EQ(m_module->Commands(), std::vector<std::string>{"ATZ"});
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_FALSE(m_page->IsPortOpen());

    OpenAndWaitReady();
    Reset();
    auto* baud = Get<QComboBox>(kIdUartBaud);
    baud->setCurrentIndex(baud->findText(QStringLiteral("19200")));
    Get<QComboBox>(kIdUartFlow)->setCurrentIndex(1);
    ASSERT_TRUE(Click(kIdUartApply));
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    EXPECT_EQ(CommandsAfterVerification(),
              (std::vector<std::string>{"AT+FLOWCONTROL=ON", "AT+UART=19200", "ATZ"}));
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].text,
              u"The UART settings for the device have been completed. The device has restarted "
              u"to apply the changed settings.");
    EXPECT_EQ(m_module->Settings().uartSpeed, 19200u);
    EXPECT_FALSE(m_page->IsPortOpen());
    EXPECT_EQ(m_setupRequests, 1);
}

using UnconfirmedRestartTest = PageFixture;

// A UART change whose restart the module never confirms is not reported as done.
TEST_F(UnconfirmedRestartTest, uartChange_saysTheRestartWasNotConfirmed) {
    VirtualModuleOptions options;
    options.lateCommand = "ATZ";
    options.lateBy = std::chrono::seconds(5);  // longer than the restart's limit
    StartModule(options);
    OpenAndWaitReady();
    ASSERT_TRUE(Click(kIdUartApply));
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].text,
              u"The UART settings were sent, but the device did not confirm its restart. Check "
              u"the device and its port speed.");
    EXPECT_EQ(m_prompter.messages[0].icon, Prompter::Icon::Warning);
    EXPECT_FALSE(m_page->IsPortOpen());
}

TEST_F(DeviceCommandsTest, role_isAppliedAndTheModuleReadAgain) {
    Get<QRadioButton>(kIdRoleMultiAt)->setChecked(true);
    ASSERT_TRUE(Click(kIdRoleApply));
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(m_prompter.messages[0].text, u"Completed operation role settings.");
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(Sent("AT+ROLE=M"));
    EXPECT_TRUE(Sent("AT+MBYPASS=OFF"));
    EXPECT_TRUE(Sent("AT+GETSLOT=8"));  // read again as a multi-connection module
    EXPECT_TRUE(Get<QRadioButton>(kIdRoleMultiAt)->isChecked());
    EXPECT_TRUE(Get(SlotAddressId(1))->isEnabled());
    EXPECT_FALSE(Get(kIdDeviceName)->isEnabled());
}

TEST_F(DeviceCommandsTest, failedSetting_isReportedAndTheModuleIdentifiedAgain) {
    m_module->SetFault(SimFault::Silence, true);
    Get<QLineEdit>(kIdDeviceName)->setText(QStringLiteral("NEW"));
    ASSERT_TRUE(Click(kIdChangeName));
    ASSERT_TRUE(WaitFor([this] { return m_setupRequests > 0; }));
    // The name change fails; the identification that follows finds no module and gives up.
    EXPECT_EQ(MessageTexts(),
              (QStringList{QStringLiteral("Failed device name settings."),
                           QStringLiteral("This program is for the sKW52x and DTQ-50 series only."
                                          "\nPlease check the product name, communication port, "
                                          "etc., and try again.")}));
    EXPECT_TRUE(Sent("AT"));
    EXPECT_FALSE(m_page->IsPortOpen());
}

}  // namespace
