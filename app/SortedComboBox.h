#pragma once

#include <QComboBox>
#include <QVariant>

// A drop-down list that keeps its entries in text order whatever order they are added in, and
// announces each drop-down before its list opens, so the owner can refill it first.
class SortedComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit SortedComboBox(QWidget* parent = nullptr);

    // Inserts `text` at its place in text order and returns its index; an equal text goes after
    // the entries that are already there.
    int AddString(const QString& text, const QVariant& data = {});

    void showPopup() override;

Q_SIGNALS:
    void DroppingDown();
};
