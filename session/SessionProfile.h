#pragma once

#include "ModuleSession.h"
#include "ModuleValues.h"
#include "Profile.h"

#include <cstdint>

// The module of a session as read.
ModuleValues ValuesOf(const ModuleSession& session);

// The profile of a module as read, with the fields the page offers for its model in its role;
// `baud` is the speed the module was reached at.
Profile ProfileOf(const ModuleSession& session, std::uint32_t baud);
