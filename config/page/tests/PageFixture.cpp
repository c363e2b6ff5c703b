#include "PageFixture.h"

#include "sKW523Comm.h"

#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

PageFixture::PageFixture() {
    m_page = std::make_unique<ModuleConfPage>();
    QObject::connect(m_page.get(), &ModuleConfPage::setupComPortRequested,
                     [this] { ++m_setupRequests; });
}

PageFixture::~PageFixture() {
    m_page.reset();
    if (m_module) {
        m_module->Stop();
    }
}

void PageFixture::StartModule(VirtualModuleOptions options) {
    if (options.scanInterval == VirtualModuleOptions{}.scanInterval) {
        options.scanInterval = 50ms;
    }
    m_module = std::make_unique<VirtualModule>(std::move(options));
    ASSERT_FALSE(m_module->Start());
}

void PageFixture::StartModule(const std::string& model) {
    VirtualModuleOptions options;
    options.model = model;
    StartModule(std::move(options));
}

void PageFixture::Prepare(std::initializer_list<Command> commands) {
    sKW523Comm channel;
    ASSERT_FALSE(channel.Open(m_module->PortPath(), PortSettings::At(9600)));
    for (const auto& [command, kind] : commands) {
        channel.SendCommand(command, kind, 1500);
    }
    channel.Close();
    m_module->ClearCommands();
}

void PageFixture::OpenAndWaitReady() {
    ASSERT_FALSE(m_page->OpenPort(QString::fromStdString(m_module->PortPath()), 9600, 0));
    ASSERT_TRUE(WaitReady()) << MessageTexts().join(u'|').toStdString();
}

bool PageFixture::WaitReady() {
    return WaitFor([this] {
        return Get<QAbstractButton>(kIdUpdate)->isEnabled() &&
               m_page->cursor().shape() != Qt::WaitCursor;
    });
}

bool PageFixture::WaitFor(const std::function<bool()>& condition, int limitMs) {
    return QTest::qWaitFor(condition, limitMs);
}

bool PageFixture::WaitForMessages(std::size_t count) {
    return WaitFor([this, count] { return m_prompter.messages.size() >= count; });
}

bool PageFixture::WaitForCommand(const std::string& command) {
    return WaitFor([this, &command] { return Sent(command); });
}

bool PageFixture::Sent(const std::string& command) const {
    const std::vector<std::string> commands = m_module->Commands();
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

bool PageFixture::Click(int id) {
    auto* button = Get<QAbstractButton>(id);
    if (!button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

QStringList PageFixture::MessageTexts() const {
    QStringList texts;
    for (const auto& message : m_prompter.messages) {
        texts << message.text;
    }
    return texts;
}
