#include "TermViewOptions.h"

#include "AppSettings.h"

int TermViewOptions::OfferedScrollback(int stored) {
    int offered = kScrollbackChoices[0];
    for (const int characters : kScrollbackChoices) {
        if (characters <= stored) {
            offered = characters;
        }
    }
    return offered;
}

TermViewOptions TermViewOptions::Load() {
    TermViewOptions options;
    options.timestamps = AppSettings::TermTimestamps();
    options.stampFormat = static_cast<StampFormat>(AppSettings::TermStampFormat());
    options.hexView = AppSettings::TermHexView();
    options.holdWhenScrolledUp = AppSettings::TermHoldScroll();
    options.scrollback = OfferedScrollback(AppSettings::TermScrollback());
    options.lineEndCR = AppSettings::LineEndCarriageReturn();
    options.lineEndLF = AppSettings::LineEndLineFeed();
    return options;
}

void TermViewOptions::Save(const TermViewOptions& before) const {
    if (timestamps != before.timestamps) {
        AppSettings::SetTermTimestamps(timestamps);
    }
    if (stampFormat != before.stampFormat) {
        AppSettings::SetTermStampFormat(static_cast<int>(stampFormat));
    }
    if (hexView != before.hexView) {
        AppSettings::SetTermHexView(hexView);
    }
    if (holdWhenScrolledUp != before.holdWhenScrolledUp) {
        AppSettings::SetTermHoldScroll(holdWhenScrolledUp);
    }
    if (scrollback != before.scrollback) {
        AppSettings::SetTermScrollback(scrollback);
    }
    if (lineEndCR != before.lineEndCR) {
        AppSettings::SetLineEndCarriageReturn(lineEndCR);
    }
    if (lineEndLF != before.lineEndLF) {
        AppSettings::SetLineEndLineFeed(lineEndLF);
    }
}
