#include "TermMacro.h"

#include "Conversions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr const char* kLineEndNames[] = {"", "CR", "LF", "CRLF"};

TermMacro::LineEnd LineEndNamed(const QString& name) {
    for (int index = 0; index < 4; ++index) {
        if (name == QLatin1String(kLineEndNames[index])) {
            return static_cast<TermMacro::LineEnd>(index);
        }
    }
    return TermMacro::kNone;
}

}  // namespace

std::optional<std::string> TermMacro::Bytes() const {
    if (IsEmpty()) {
        return std::nullopt;
    }
    std::string bytes;
    if (hex) {
        std::string digits;
        WideToUtf8(QString(text).remove(u' ').toStdU16String(), digits);
        if (digits.size() % 2 != 0 || !IsHexString(digits)) {
            return std::nullopt;
        }
        for (std::size_t pair = 0; pair < digits.size(); pair += 2) {
            std::uint8_t byte = 0;
            HexPairToByte(digits.data() + pair, byte);
            bytes.push_back(static_cast<char>(byte));
        }
    } else {
        bytes = WideToUtf8(text.toStdU16String());
    }
    if (lineEnd == kCr || lineEnd == kCrLf) {
        bytes += '\r';
    }
    if (lineEnd == kLf || lineEnd == kCrLf) {
        bytes += '\n';
    }
    return bytes;
}

QString TermMacro::Echo() const {
    QString shown = hex ? QString() : text;
    if (lineEnd != kNone) {
        shown += u'\n';
    }
    return shown;
}

QString MacrosToJson(const QList<TermMacro>& macros) {
    QJsonArray array;
    for (const TermMacro& macro : macros) {
        array.append(QJsonObject{{"name", macro.name},
                                 {"text", macro.text},
                                 {"hex", macro.hex},
                                 {"lineEnd", QLatin1String(kLineEndNames[macro.lineEnd])},
                                 {"repeatMs", macro.repeatMs}});
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QList<TermMacro> MacrosFromJson(const QString& json) {
    QList<TermMacro> macros(TermMacro::kCount);
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    for (qsizetype index = 0; index < std::min<qsizetype>(array.size(), TermMacro::kCount);
         ++index) {
        const QJsonObject object = array.at(index).toObject();
        TermMacro& macro = macros[index];
        macro.name = object.value("name").toString();
        macro.text = object.value("text").toString();
        macro.hex = object.value("hex").toBool();
        macro.lineEnd = LineEndNamed(object.value("lineEnd").toString());
        macro.repeatMs = std::max(0, object.value("repeatMs").toInt());
    }
    return macros;
}
