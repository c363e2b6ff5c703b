#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The one way the program asks the user for a file. The default shows a QFileDialog; tests
// install an asker that records the request and answers without a modal loop.
class FileAsker {
public:
    enum class Purpose { Open, Save };

    struct Request {
        Purpose purpose = Purpose::Open;
        QString caption;
        QString path;         // the folder to start in, or a proposed file in it
        QStringList filters;  // such as "Settings files (*.json)"; none: every file
        int filter = 0;       // the one chosen at first
        // Save: an existing file is confirmed before it is taken (not for a file appended to).
        bool confirmOverwrite = true;
    };
    struct Answer {
        QString path;
        int filter = 0;  // the filter chosen when the user confirmed
    };

    virtual ~FileAsker() = default;
    virtual std::optional<Answer> Show(QWidget* owner, const Request& request) = 0;

    // Asks through the installed asker; nullopt when the user cancelled.
    static std::optional<Answer> Ask(QWidget* owner, const Request& request);
    // Installs `asker` (not owned) for the whole program; nullptr restores the default.
    static void Install(FileAsker* asker);
};

class FileDialogAsker : public FileAsker {
public:
    std::optional<Answer> Show(QWidget* owner, const Request& request) override;
};
