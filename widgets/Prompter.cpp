#include "Prompter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

Prompter* g_installed = nullptr;

QMessageBox::Icon ToMessageBoxIcon(Prompter::Icon icon) {
    switch (icon) {
        case Prompter::Icon::Information: return QMessageBox::Information;
        case Prompter::Icon::Warning: return QMessageBox::Warning;
        case Prompter::Icon::Error: return QMessageBox::Critical;
        case Prompter::Icon::Question: return QMessageBox::Question;
        case Prompter::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToStandardButtons(Prompter::Buttons buttons) {
    switch (buttons) {
        case Prompter::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Prompter::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Prompter::Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

Prompter::Answer ToAnswer(int button) {
    switch (button) {
        case QMessageBox::Yes: return Prompter::Answer::Yes;
        case QMessageBox::No: return Prompter::Answer::No;
        case QMessageBox::Cancel: return Prompter::Answer::Cancel;
        default: return Prompter::Answer::Ok;
    }
}

}  // namespace

Prompter::Answer Prompter::Ask(QWidget* owner, const QString& text, Icon icon, Buttons buttons,
                               const QString& caption) {
    static MessageBoxPrompter fallback;
    Prompter& prompter = g_installed != nullptr ? *g_installed : fallback;
    const QString title = caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
    return prompter.Show(owner, text, icon, buttons, title);
}

void Prompter::Install(Prompter* prompter) { g_installed = prompter; }

Prompter::Answer MessageBoxPrompter::Show(QWidget* owner, const QString& text, Icon icon,
                                          Buttons buttons, const QString& caption) {
    QMessageBox box(ToMessageBoxIcon(icon), caption, text, ToStandardButtons(buttons), owner);
    return ToAnswer(box.exec());
}
