#pragma once

#include "RecordStore.h"

// A RecordStore in the SQLite file at `path`, created with its schema on first use.
std::unique_ptr<RecordStore> OpenSqliteStore(const std::string& path, std::string& why);
