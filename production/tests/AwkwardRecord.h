#pragma once

#include "UnitRecord.h"

// A record whose every field holds a value of its own that a report or a database could mangle:
// commas, quotes, line breaks, a leading `=`, SQL, non-ASCII, an empty text, and in the
// transcript a noisy module's bytes (not UTF-8, a NUL) beside a backslash. No two fields share a
// value, so a field written to or read from another's column shows.
inline UnitRecord AwkwardRecord(const std::string& station) {
    UnitRecord r;
    r.time = "2026-12-11T01:02:03Z";
    r.station = station;
    r.operatorName = "김 운영자";
    r.lot = "L\r\n2";
    r.port = "";
    r.address = "C0FFEE0000A1";
    r.model = "'); DROP TABLE units; --";
    r.firmware = "v\t2.1";
    r.name = "=SNS-1";
    r.confirmed = {"name=a,b", "advInterval=\"250\""};
    r.result = UnitRecord::Result::Duplicate;
    r.reason = "passed before\nat S2";
    r.seconds = 12.34;
    r.attempt = 3;
    r.transcript = "> AT\r\n< OK\r\n< \xF8\x9B~\xC3#\\x41";
    r.transcript += '\0';
    r.transcript += "\r\n";
    r.serial = "SN-ü-7";
    return r;
}
