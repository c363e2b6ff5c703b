#pragma once

#include "RecordStore.h"

// A RecordStore in the SQLite file at `path`, created with its schema on a station's first use;
// read-only and never created for reading.
std::unique_ptr<RecordStore> OpenSqliteStore(const std::string& path, std::string& why,
                                             StoreAccess access);
