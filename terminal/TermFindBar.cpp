#include "TermFindBar.h"

#include "TermRichedit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QPushButton* NewButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TermFindBar::TermFindBar(TermRichedit* view, QWidget* parent) : QWidget(parent), m_view(view) {
    setObjectName(QStringLiteral("termFindBar"));
    auto* label = new QLabel(tr("Find:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("termFindText"));
    m_edit->setAccessibleName(tr("Text to find"));
    label->setBuddy(m_edit);
    m_previous = NewButton(tr("Previous"), QStringLiteral("termFindPrevious"), this);
    m_next = NewButton(tr("Next"), QStringLiteral("termFindNext"), this);
    m_matchCase = new QCheckBox(tr("Match case"), this);
    m_matchCase->setObjectName(QStringLiteral("termFindMatchCase"));
    m_matchCase->setAccessibleName(m_matchCase->text());
    m_close = NewButton(tr("Close"), QStringLiteral("termFindClose"), this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_close);

    connect(m_edit, &QLineEdit::returnPressed, this, &TermFindBar::FindNext);
    connect(m_next, &QPushButton::clicked, this, &TermFindBar::FindNext);
    connect(m_previous, &QPushButton::clicked, this, &TermFindBar::FindPrevious);
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void TermFindBar::Open() {
    show();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

bool TermFindBar::FindNext() {
    return Find(false);
}

bool TermFindBar::FindPrevious() {
    return Find(true);
}

bool TermFindBar::Find(bool backward) {
    return m_view->Find(m_edit->text(), backward, m_matchCase->isChecked());
}

void TermFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        m_view->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
