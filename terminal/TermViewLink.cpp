#include "TermViewLink.h"

#include "TermChannel.h"
#include "TermRichedit.h"

void LinkViewToChannel(TermRichedit& view, TermChannel& channel) {
    QObject::connect(&channel, &TermChannel::shown, &view, &TermRichedit::ShowUpdate);
    QObject::connect(&channel, &TermChannel::openChanged, &view, &TermRichedit::SetOnline);
    QObject::connect(&view, &TermRichedit::typed, &channel, [&channel](const QByteArray& bytes) {
        channel.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
    QObject::connect(&view, &TermRichedit::textLimitChanged, &channel, &TermChannel::SetShownLimit);
    view.SetOnline(channel.IsOpen());
    channel.SetShownLimit(view.TextLimit());
}
