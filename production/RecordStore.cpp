#include "RecordStore.h"

#include "StationPlatform.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <regex>

#if SKW_HAVE_POSTGRESQL
#include "PostgresStore.h"
#endif
#if SKW_HAVE_SQLITE
#include "SqliteStore.h"
#endif

// The databases this build has; a build without one says so instead of opening it.
std::unique_ptr<RecordStore> OpenRecordStore(const std::string& address, std::string& why,
                                             [[maybe_unused]] StoreAccess access) {
    if (address.rfind("sqlite:", 0) == 0) {
#if SKW_HAVE_SQLITE
        return OpenSqliteStore(address.substr(7), why, access);
#else
        why = "this build has no SQLite";
        return nullptr;
#endif
    }
    if (address.rfind("postgresql://", 0) == 0 || address.rfind("postgres://", 0) == 0) {
#if SKW_HAVE_POSTGRESQL
        return OpenPostgresStore(address, why, access);
#else
        why = "this build has no PostgreSQL";
        return nullptr;
#endif
    }
    why = "not a record address: use sqlite:PATH or postgresql://user@host/database";
    return nullptr;
}

bool RecordStore::PassedNow(const std::string& address) {
    Query query;
    query.result = ResultText(UnitRecord::Result::Pass);
    query.address = address;
    std::string why;
    return !Records(query, why).empty();
}

std::string DefaultRecordAddress() {
    return "sqlite:" + StationPlatform::DataFolder() + "/production.sqlite";
}

std::string ShownAddress(const std::string& address) {
    static const std::regex kUriPassword(R"(^(postgres(?:ql)?://[^:/@]*):[^@]*@)");
    static const std::regex kKeyPassword(R"((^|\s|\?|&)password\s*=\s*('[^']*'|[^\s&]+))");
    const std::string shown = std::regex_replace(address, kUriPassword, "$1:***@");
    return std::regex_replace(shown, kKeyPassword, "$1password=***");
}

std::optional<std::string> SinceAsUtc(const std::string& text) {
    using namespace std::chrono;
    static const std::regex kIso(
        R"(^(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:[.,]\d+)?)?)"
        R"((Z|([+-])(\d{2})(?::?(\d{2}))?)?)?$)");
    std::smatch m;
    if (!std::regex_match(text, m, kIso)) {
        return std::nullopt;
    }
    const auto number = [&m](int group) { return m[group].matched ? std::stoi(m[group]) : 0; };
    const year_month_day date{year{number(1)}, month{static_cast<unsigned>(number(2))},
                              day{static_cast<unsigned>(number(3))}};
    const int hour = number(4);
    const int minute = number(5);
    const int second = number(6);
    if (!date.ok() || hour > 23 || minute > 59 || second > 59 || number(9) > 23 ||
        number(10) > 59) {
        return std::nullopt;
    }
    sys_seconds when = sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
    if (m[8].matched) {
        const minutes offset = hours{number(9)} + minutes{number(10)};
        when -= m[8] == "+" ? offset : -offset;
    } else if (!m[7].matched) {
        // Local time, as the station's clock shows it.
        std::tm local{};
        local.tm_year = number(1) - 1900;
        local.tm_mon = number(2) - 1;
        local.tm_mday = number(3);
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        const std::time_t utc = std::mktime(&local);
        if (utc == static_cast<std::time_t>(-1)) {
            return std::nullopt;
        }
        when = sys_seconds{seconds{utc}};
    }
    const sys_days day = floor<days>(when);
    const year_month_day utcDate{day};
    const hh_mm_ss<seconds> time{when - day};
    char shown[32];
    std::snprintf(shown, sizeof shown, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(utcDate.year()), static_cast<unsigned>(utcDate.month()),
                  static_cast<unsigned>(utcDate.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return std::string(shown);
}
