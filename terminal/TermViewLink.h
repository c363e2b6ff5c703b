#pragma once

class TermChannel;
class TermRichedit;

// Connects a view to the channel it shows, so that neither knows the other: the channel's
// updates go to the view, what is typed into the view goes out on the channel (dropped while it
// is closed), the view takes typed keys only while the channel is open, and the channel learns
// how much text the view keeps. Both live on the window thread; the connections end with either.
void LinkViewToChannel(TermRichedit& view, TermChannel& channel);
