#pragma once

#include "ReceivedFormatter.h"

// The terminal's view choices the user makes in the tool row and the line-end boxes, kept
// between runs. Load and Save go through the typed values of AppSettings, one stored value per
// field, under the names earlier versions stored.
struct TermViewOptions {
    // Scrollback sizes offered, in characters; the first is the view's own default. The largest
    // is 10 MB of text as the view holds it (two bytes a character); its buffer holds up to
    // about one and a half times that between two compactions.
    static constexpr int kScrollbackChoices[] = {32767, 1'000'000, 5'000'000};
    // The offered size for a stored one: the largest not above it (an earlier, larger choice
    // becomes the largest offered), else the default.
    static int OfferedScrollback(int stored);

    bool timestamps = false;
    StampFormat stampFormat = StampFormat::kTimeOfDay;
    bool hexView = false;
    bool holdWhenScrolledUp = false;
    int scrollback = kScrollbackChoices[0];  // characters the view keeps, one of the offered
    bool lineEndCR = true;                   // Enter and a sent line end with CR, LF or both
    bool lineEndLF = false;

    // The stored choices; a stored scrollback that is not offered reads as OfferedScrollback.
    static TermViewOptions Load();
    // Stores the fields that differ from `before` (what was loaded or stored last): a value not
    // changed here stays as it is stored, also when another window has changed it meanwhile.
    void Save(const TermViewOptions& before) const;

    bool operator==(const TermViewOptions&) const = default;
};
