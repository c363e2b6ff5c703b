#pragma once

#include "CliOutput.h"
#include "ModuleSession.h"  // Failure
#include "Profile.h"

#include <string>
#include <variant>

// The settings file at `path`, read and checked; or the failure (exit status 2) naming the
// file or its field.
std::variant<Profile, Failure> ReadProfileFile(const std::string& path, const Texts& texts);
