#include "ConfMessages.h"

QString ConfMessages::Text(Id id) {
    const char* source = ConfMessageSource(id);
    return source != nullptr ? QCoreApplication::translate(kConfMessageContext, source) : QString();
}

QString ConfMessages::RefusalText(const InputRefusal& refusal) {
    if (refusal.message == MSG_SLOT_NAME_TOO_LONG) {
        return SlotNameTooLong(refusal.slot);
    }
    const QString text = Text(refusal.message);
    return text.contains(QLatin1String("%1")) ? text.arg(refusal.slot) : text;
}

QString ConfMessages::FilterErrorCaption() {
    return QStringLiteral("오류");
}

QString ConfMessages::RssiNotSet() {
    return QStringLiteral("RSSI 값이 설정되어 있지 않습니다.");
}

QString ConfMessages::RssiNotNumber() {
    return QStringLiteral("RSSI 필터값이 숫자가 아닙니다.");
}

QString ConfMessages::NameFilterTooLong() {
    return QStringLiteral("필터 장치명이 너무 깁니다.");
}

QString ConfMessages::SlotNameTooLong(int slot) {
    return QStringLiteral("Slot %1: TAG 길이가 잘못되었습니다.").arg(slot);
}
