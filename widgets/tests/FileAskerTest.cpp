// The default asker against Qt's own file dialog, answered the way a user would answer it.
#include "FileAsker.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

// Asks through the default asker; once the file dialog is the active modal window, `answer`
// works on it and must close it.
std::optional<FileAsker::Answer> AskAndAnswer(const FileAsker::Request& request,
                                              const std::function<void(QFileDialog&)>& answer) {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(*dialog);
        }
    });
    poll.start();
    return FileDialogAsker().Show(nullptr, request);
}

}  // namespace

TEST(FileDialogAsker, showsTheRequestAndReturnsTheChosenFileAndFilter) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString existing = folder.filePath(QStringLiteral("existing.json"));
    QFile(existing).open(QIODevice::WriteOnly);
    const QString newLog = folder.filePath(QStringLiteral("new.txt"));
    const QString newJson = folder.filePath(QStringLiteral("new.json"));
    const QStringList filters = {QStringLiteral("Settings files (*.json)"),
                                 QStringLiteral("All files (*)")};
    using Purpose = FileAsker::Purpose;
    struct Case {
        const char* name;
        FileAsker::Request request;
        QString choose;    // the file the user picks; empty: Cancel
        int chooseFilter;  // the filter the user leaves chosen
    };
    const Case cases[] = {
        {"open", {Purpose::Open, "Apply", folder.path(), filters, 0, true}, existing, 1},
        {"save, no confirming", {Purpose::Save, "Log", newLog, filters, 1, false}, newLog, 1},
        {"save", {Purpose::Save, "Save", folder.path(), filters, 0, true}, newJson, 0},
        {"no filters", {Purpose::Open, "Send file", {}, {}, 0, true}, existing, 0},
        {"cancelled", {Purpose::Save, "Save", folder.path(), filters, 0, true}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool save = c.request.purpose == Purpose::Save;
        const auto answer = AskAndAnswer(c.request, [&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), c.request.caption);
            EXPECT_EQ(dialog.acceptMode(),
                      save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            EXPECT_EQ(dialog.testOption(QFileDialog::DontConfirmOverwrite),
                      save && !c.request.confirmOverwrite);
            if (!c.request.filters.isEmpty()) {
                EXPECT_EQ(dialog.nameFilters(), c.request.filters);
                EXPECT_EQ(dialog.selectedNameFilter(), c.request.filters[c.request.filter]);
            }
            if (!c.request.path.isEmpty()) {
                EXPECT_EQ(dialog.directory(), QDir(folder.path()));
            }
            if (c.choose.isEmpty()) {
                dialog.reject();
                return;
            }
            if (!c.request.filters.isEmpty()) {
                dialog.selectNameFilter(c.request.filters[c.chooseFilter]);
            }
            // Typed, as a user would: selectFile leaves alone a name edit that has the focus.
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name == nullptr) {
                ADD_FAILURE() << "no file name edit";
                dialog.reject();
                return;
            }
            name->setText(c.choose);
            static_cast<QDialog&>(dialog).accept();  // QFileDialog's own accept is protected
        });
        if (c.choose.isEmpty()) {
            EXPECT_FALSE(answer);
            continue;
        }
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->path, c.choose);
        EXPECT_EQ(answer->filter, c.chooseFilter);
    }
}
