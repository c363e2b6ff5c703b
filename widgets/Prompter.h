#pragma once

#include <QString>

class QWidget;

// The one way the program shows a message box. The default shows a QMessageBox; tests install
// a prompter that records the message and answers without a modal loop.
class Prompter {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo, OkCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;
    virtual Answer Show(QWidget* owner, const QString& text, Icon icon, Buttons buttons,
                        const QString& caption) = 0;

    // Shows through the installed prompter; an empty caption means the application's name.
    static Answer Ask(QWidget* owner, const QString& text, Icon icon,
                      Buttons buttons = Buttons::Ok, const QString& caption = {});
    // Installs `prompter` (not owned) for the whole program; nullptr restores the default.
    static void Install(Prompter* prompter);
};

class MessageBoxPrompter : public Prompter {
public:
    Answer Show(QWidget* owner, const QString& text, Icon icon, Buttons buttons,
                const QString& caption) override;
};
