#include "TermMacroRow.h"

#include "AppSettings.h"
#include "TermMacroDlg.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>

namespace {

QString KeyName(int index) {
    return QStringLiteral("F%1").arg(index + 1);
}

}  // namespace

TermMacroRow::TermMacroRow(QWidget* parent)
    : QWidget(parent), m_macros(MacrosFromJson(AppSettings::TermMacros())) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int index = 0; index < TermMacro::kCount; ++index) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("termMacro%1").arg(index + 1));
        button->setAutoDefault(false);
        button->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* edit = new QAction(tr("Edit…"), button);
        button->addAction(edit);
        connect(edit, &QAction::triggered, this, [this, index] { Edit(index); });
        connect(button, &QPushButton::clicked, this, [this, index] { Trigger(index); });
        auto* repeat = new QTimer(this);
        connect(repeat, &QTimer::timeout, this, [this, index] { Send(index); });
        m_buttons[index] = button;
        m_repeats[index] = repeat;
        layout->addWidget(button);
        ShowMacro(index);
    }
    m_stop = new QPushButton(tr("Stop"), this);
    m_stop->setObjectName(QStringLiteral("termMacroStop"));
    m_stop->setAccessibleName(tr("Stop repeating macros"));
    m_stop->setAutoDefault(false);
    layout->addWidget(m_stop);
    layout->addStretch(1);
    connect(m_stop, &QPushButton::clicked, this, &TermMacroRow::StopAll);
    UpdateStop();
}

void TermMacroRow::ShowMacro(int index) {
    const TermMacro& macro = m_macros[index];
    QPushButton* button = m_buttons[index];
    button->setText(macro.name.isEmpty() ? KeyName(index)
                                         : KeyName(index) + QLatin1Char(' ') + macro.name);
    button->setAccessibleName(macro.IsEmpty() ? tr("Macro %1, empty").arg(KeyName(index))
                                              : tr("Macro %1: %2").arg(KeyName(index), macro.name));
    button->setToolTip(macro.IsEmpty()
                           ? tr("Click to set this macro")
                           : macro.text + (macro.repeatMs > 0
                                               ? tr(" (every %1 ms)").arg(macro.repeatMs)
                                               : QString()));
}

// Sends the macro; one that repeats starts over (a second click restarts its period).
void TermMacroRow::Trigger(int index) {
    if (index < 0 || index >= TermMacro::kCount) {
        return;
    }
    if (m_macros[index].IsEmpty()) {
        Edit(index);
        return;
    }
    Send(index);
    if (m_macros[index].repeatMs > 0) {
        m_repeats[index]->start(m_macros[index].repeatMs);
    }
    UpdateStop();
}

void TermMacroRow::Send(int index) {
    const TermMacro& macro = m_macros[index];
    if (const std::optional<std::string> bytes = macro.Bytes()) {
        Q_EMIT sendRequested(QByteArray::fromStdString(*bytes), macro.Echo());
    }
}

void TermMacroRow::Edit(int index) {
    auto* dialog = new TermMacroDlg(KeyName(index), m_macros[index], this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, index, dialog] { SetMacro(index, dialog->Macro()); });
    dialog->open();
}

void TermMacroRow::SetMacro(int index, const TermMacro& macro) {
    m_repeats[index]->stop();
    m_macros[index] = macro;
    AppSettings::SetTermMacros(MacrosToJson(m_macros));
    ShowMacro(index);
    UpdateStop();
}

void TermMacroRow::StopAll() {
    for (QTimer* repeat : m_repeats) {
        repeat->stop();
    }
    UpdateStop();
}

bool TermMacroRow::IsRepeating() const {
    return std::any_of(m_repeats.begin(), m_repeats.end(),
                       [](const QTimer* repeat) { return repeat->isActive(); });
}

void TermMacroRow::UpdateStop() {
    m_stop->setEnabled(IsRepeating());
}
