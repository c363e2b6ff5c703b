#pragma once

#include "ConfControlIds.h"
#include "ModuleConfPage.h"
#include "RecordingPrompter.h"
#include "ResponseKind.h"
#include "ScratchSettings.h"
#include "VirtualModule.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A configuration page, a recording prompter and a virtual module to open it on.
class PageFixture : public ::testing::Test {
protected:
    using Command = std::pair<const char*, ResponseKind>;

    PageFixture();
    ~PageFixture() override;

    // Starts the module (reports every 50 ms unless the options say otherwise).
    void StartModule(VirtualModuleOptions options);
    void StartModule(const std::string& model = "GaX-sKW523");
    // Brings the module into a state over a channel of its own, before the page opens it.
    void Prepare(std::initializer_list<Command> commands);
    // Opens the page on the module and waits until it shows the module's values.
    void OpenAndWaitReady();
    // The controls are enabled again after a job chain (the Update button is always among
    // them).
    bool WaitReady();
    bool WaitFor(const std::function<bool()>& condition, int limitMs = 15000);
    bool WaitForMessages(std::size_t count);
    bool WaitForCommand(const std::string& command);
    bool Sent(const std::string& command) const;

    template <class Control = QWidget>
    Control* Get(int id) const {
        auto* control = m_page->findChild<Control*>(QString::number(id));
        EXPECT_NE(control, nullptr) << "no control " << id;
        return control;
    }
    // Clicks an enabled button; false if it is disabled.
    bool Click(int id);
    QStringList MessageTexts() const;

    ScratchSettings m_settings;
    RecordingPrompter m_prompter;
    std::unique_ptr<VirtualModule> m_module;
    std::unique_ptr<ModuleConfPage> m_page;
    int m_setupRequests = 0;
};
