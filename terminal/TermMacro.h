#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>

// One of the terminal's macros (F1 to F12): a named text or hexadecimal string with its line end,
// sent as if typed, once or again every `repeatMs` milliseconds until stopped.
struct TermMacro {
    enum LineEnd : int { kNone, kCr, kLf, kCrLf };
    static constexpr int kCount = 12;

    QString name;
    QString text;
    bool hex = false;
    LineEnd lineEnd = kCr;
    int repeatMs = 0;  // 0: sent once

    bool IsEmpty() const { return text.isEmpty(); }
    // The bytes to send; nothing for an empty macro or a hexadecimal string that is not whole
    // pairs of digits (spaces between pairs are allowed).
    std::optional<std::string> Bytes() const;
    // What the view shows of it, as typing it would: the text and a line break, nothing of hex.
    QString Echo() const;

    bool operator==(const TermMacro&) const = default;
};

// The stored form (AppSettings::TermMacros): a JSON array of kCount objects
// {"name", "text", "hex", "lineEnd": "", "CR", "LF" or "CRLF", "repeatMs"}. Reading takes what
// it understands and leaves the rest of the kCount macros empty.
QString MacrosToJson(const QList<TermMacro>& macros);
QList<TermMacro> MacrosFromJson(const QString& json);
