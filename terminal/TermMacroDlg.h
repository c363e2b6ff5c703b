#pragma once

#include "TermMacro.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// Edits one macro: its name, its text or hexadecimal string, the line end sent after it and how
// often it repeats. OK keeps the dialog open while the hexadecimal string is not whole pairs of
// digits. Opened with open(), so its owner's window keeps running.
class TermMacroDlg : public QDialog {
    Q_OBJECT

public:
    TermMacroDlg(const QString& key, const TermMacro& macro, QWidget* parent = nullptr);

    TermMacro Macro() const;

public Q_SLOTS:
    void accept() override;

private:
    QLineEdit* m_name = nullptr;
    QLineEdit* m_text = nullptr;
    QCheckBox* m_hex = nullptr;
    QComboBox* m_lineEnd = nullptr;
    QSpinBox* m_repeat = nullptr;
    QLabel* m_problem = nullptr;
};
