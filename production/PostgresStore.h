#pragma once

#include "RecordStore.h"

// A RecordStore in a PostgreSQL database (libpq connection string or URI), created with its
// schema on first use. A connection that breaks is made again on the next call.
std::unique_ptr<RecordStore> OpenPostgresStore(const std::string& address, std::string& why);

// `address` as it may be shown: a password in it is replaced by "***".
std::string WithoutPassword(const std::string& address);
