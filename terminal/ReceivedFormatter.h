#pragma once

#include "ReceivedTextDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What the view is to do with one round of received data: remove `dropTail` characters from its
// end (the unfinished hex row it showed last time), then append `finalText` and `partialText`.
// `finalText` never changes once shown; `partialText` is replaced by the next update.
struct ShownUpdate {
    std::size_t dropTail = 0;
    std::u16string finalText;
    std::u16string partialText;
};

// How a line's time stamp reads: the local time of day "[HH:MM:SS.mmm] ", with the date
// "[YYYY-MM-DD HH:MM:SS.mmm] ", the seconds since the port opened "[12.345] ", or the gap since
// the previous line began "[+0.012] ".
enum class StampFormat : int { kTimeOfDay, kDateAndTime, kSinceOpen, kSincePrevious };

// Turns received bytes into what the terminal view shows: UTF-8 text (ReceivedTextDecoder), or
// rows of 16 bytes "xx xx ... |ascii|", each optionally prefixed with a time stamp of the
// arrival of its first byte (StampFormat). Switching between text and hex between two
// batches loses and repeats no byte: a character whose bytes are still incomplete is shown in
// hex. Toolkit-free; one instance per stream, one thread at a time.
class ReceivedFormatter {
public:
    static constexpr std::size_t kRowBytes = 16;

    // Bytes that arrived at `localMs` (milliseconds since 1970-01-01 00:00 local time; the time
    // of day is what is left of a whole day).
    void Format(const std::uint8_t* data, std::size_t size, std::int64_t localMs);
    // What changed since the last call.
    ShownUpdate TakeUpdate();
    // Characters of final text formatted since the last TakeUpdate.
    std::size_t WaitingUnits() const { return m_final.size(); }

    void SetTimestamps(bool on) { m_timestamps = on; }
    bool Timestamps() const { return m_timestamps; }
    void SetStampFormat(StampFormat format);
    // When the port opened, for StampFormat::kSinceOpen.
    void SetOpenedAt(std::int64_t localMs) { m_openedMs = localMs; }
    // Ends the current line or row; held bytes of an unfinished character move to the hex view.
    void SetHex(bool on, std::int64_t localMs);
    bool Hex() const { return m_hex; }

    // The unfinished hex row as the view shows it (empty when none).
    std::u16string UnfinishedRow();
    // The view was emptied: nothing of ours is on it any more, the next data starts a line or a
    // row. The unfinished row goes with it; returned as it was shown, for a log.
    std::u16string ViewCleared();
    // A new connection: forgets everything held; returns the unfinished row as ViewCleared.
    std::u16string Reset();

    // UTF-16 units of received text decoded so far (without stamps).
    std::uint64_t DecodedUnits() const { return m_decodedUnits; }

private:
    void FormatText(const std::uint8_t* data, std::size_t size, std::int64_t localMs);
    void FormatHex(const std::uint8_t* data, std::size_t size, std::int64_t localMs);
    void AppendRow(std::u16string& out);
    void AppendStamp(std::u16string& out, std::int64_t localMs);
    void EndTextLine();

    ReceivedTextDecoder m_decoder;
    bool m_timestamps = false;
    bool m_hex = false;
    bool m_atLineStart = true;       // the next text character begins a line
    std::string m_row;               // bytes of the unfinished hex row
    std::int64_t m_rowStartMs = 0;   // arrival of its first byte
    std::size_t m_shownPartial = 0;  // length of the unfinished row the view shows
    std::u16string m_final;
    std::uint64_t m_decodedUnits = 0;
    // The last stamp made: lines and rows of one read share their arrival time.
    std::int64_t m_stampMs = -1;
    std::u16string m_stamp;
    StampFormat m_stampFormat = StampFormat::kTimeOfDay;
    std::int64_t m_openedMs = 0;
    std::int64_t m_lastLineMs = -1;  // the arrival of the last line's first byte, for the gap
};

// "[HH:MM:SS.mmm] " for a time of day in milliseconds, appended to `out`.
void AppendTimeStamp(std::u16string& out, std::int64_t msOfDay);
// A stamp of `format` for a line whose first byte arrived at `localMs`.
void AppendStampOf(std::u16string& out, StampFormat format, std::int64_t localMs,
                   std::int64_t referenceMs);
