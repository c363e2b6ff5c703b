#include "TermMacroDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename Control>
Control* Named(Control* control, const char* objectName, const QString& accessibleName) {
    control->setObjectName(QLatin1String(objectName));
    control->setAccessibleName(accessibleName);
    return control;
}

}  // namespace

TermMacroDlg::TermMacroDlg(const QString& key, const TermMacro& macro, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("termMacroDialog"));
    setWindowTitle(tr("Macro %1").arg(key));
    m_name = Named(new QLineEdit(macro.name, this), "termMacroName", tr("Macro name"));
    m_text = Named(new QLineEdit(macro.text, this), "termMacroText", tr("Text to send"));
    m_hex = Named(new QCheckBox(tr("Hexadecimal string"), this), "termMacroHex",
                  tr("Hexadecimal string"));
    m_hex->setChecked(macro.hex);
    m_lineEnd = Named(new QComboBox(this), "termMacroLineEnd", tr("Line end"));
    m_lineEnd->addItems({tr("None"), tr("CR"), tr("LF"), tr("CR LF")});
    m_lineEnd->setCurrentIndex(macro.lineEnd);
    m_repeat = Named(new QSpinBox(this), "termMacroRepeat", tr("Repeat every (ms)"));
    m_repeat->setRange(0, 3'600'000);
    m_repeat->setSpecialValueText(tr("Once"));
    m_repeat->setSuffix(tr(" ms"));
    m_repeat->setValue(macro.repeatMs);
    if (auto* field = m_repeat->findChild<QLineEdit*>()) {
        field->setAccessibleName(m_repeat->accessibleName());
    }
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("termMacroProblem"));
    m_problem->hide();

    auto* form = new QFormLayout;
    form->addRow(tr("Name:"), m_name);
    form->addRow(tr("Text:"), m_text);
    form->addRow(QString(), m_hex);
    form->addRow(tr("Line end:"), m_lineEnd);
    form->addRow(tr("Repeat every:"), m_repeat);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* button : buttons->buttons()) {
        button->setAccessibleName(button->text());
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TermMacroDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TermMacroDlg::reject);
}

TermMacro TermMacroDlg::Macro() const {
    TermMacro macro;
    macro.name = m_name->text();
    macro.text = m_text->text();
    macro.hex = m_hex->isChecked();
    macro.lineEnd = static_cast<TermMacro::LineEnd>(m_lineEnd->currentIndex());
    macro.repeatMs = m_repeat->value();
    return macro;
}

void TermMacroDlg::accept() {
    const TermMacro macro = Macro();
    if (macro.hex && !macro.IsEmpty() && !macro.Bytes()) {
        m_problem->setText(tr("The hexadecimal string must be pairs of digits 0-9 and A-F."));
        m_problem->show();
        return;
    }
    QDialog::accept();
}
