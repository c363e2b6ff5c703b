#pragma once

#include "ConfMessageTable.h"
#include "SettingTable.h"

#include <QCoreApplication>
#include <QString>

// The page's message texts (ConfMessageTable.h) in the user's language, and the filter-error
// texts that exist in Korean only and are shown in both languages.
class ConfMessages {
    Q_DECLARE_TR_FUNCTIONS(ConfMessages)

public:
    // The message numbers, as ConfMessages::MSG_SCAN and so on.
    using Id = ConfMessageId;
    using enum ConfMessageId;

    // The text of `id`; empty for a number the page does not use. MSG_SLOT_BAD_ADDRESS keeps
    // its "%1" for the slot number.
    static QString Text(Id id);
    // The message of a value a setting's input rule refused, its slot filled in.
    static QString RefusalText(const InputRefusal& refusal);

    // Korean-only texts.
    static QString FilterErrorCaption();  // "오류"
    static QString RssiNotSet();
    static QString RssiNotNumber();
    static QString NameFilterTooLong();
    static QString SlotNameTooLong(int slot);
};
