#include "SortedComboBox.h"

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent) {}

int SortedComboBox::AddString(const QString& text, const QVariant& data) {
    int index = 0;
    while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    insertItem(index, text, data);
    return index;
}

void SortedComboBox::showPopup() {
    Q_EMIT DroppingDown();
    QComboBox::showPopup();
}
