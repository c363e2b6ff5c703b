#pragma once

#include <QValidator>

// Turns what is typed into upper case, like an upper-case edit control; accepts everything.
class UpperCaseValidator : public QValidator {
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;
};
