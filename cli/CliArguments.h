#pragma once

#include "CliRequest.h"
#include "CliTexts.h"

#include <ostream>
#include <string>
#include <variant>
#include <vector>

inline constexpr char kProgramName[] = "skw-manager-cli";

// The parsed request, or the exit status when parsing already ended the run (help was asked
// for and printed to `out`, or the command line is malformed and its one-line reason went to
// `err`, in the language of `texts`). `args` holds the program name first, like argv.
std::variant<CliRequest, int> ParseArguments(const std::vector<std::string>& args,
                                             std::ostream& out, std::ostream& err,
                                             const Texts& texts);
