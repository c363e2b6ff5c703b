#include "RecordStore.h"

#include "StationPlatform.h"

#include <regex>

#if SKW_HAVE_POSTGRESQL
#include "PostgresStore.h"
#endif
#if SKW_HAVE_SQLITE
#include "SqliteStore.h"
#endif

// The databases this build has; a build without one says so instead of opening it.
std::unique_ptr<RecordStore> OpenRecordStore(const std::string& address, std::string& why,
                                             StoreAccess access) {
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

std::string DefaultRecordAddress() {
    return "sqlite:" + StationPlatform::DataFolder() + "/production.sqlite";
}

std::string ShownAddress(const std::string& address) {
    static const std::regex kUriPassword(R"(^(postgres(?:ql)?://[^:/@]*):[^@]*@)");
    static const std::regex kKeyPassword(R"((^|\s|\?|&)password\s*=\s*('[^']*'|[^\s&]+))");
    const std::string shown = std::regex_replace(address, kUriPassword, "$1:***@");
    return std::regex_replace(shown, kKeyPassword, "$1password=***");
}
