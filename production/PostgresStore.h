#pragma once

#include "RecordStore.h"

// A RecordStore in a PostgreSQL database (libpq connection string or URI), created with its
// schema on first use. A connection that breaks is made again on the next call.
std::unique_ptr<RecordStore> OpenPostgresStore(const std::string& address, std::string& why,
                                               StoreAccess access);
