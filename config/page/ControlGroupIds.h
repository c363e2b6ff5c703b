#pragma once

#include "ModelRules.h"

#include <span>

// The page's control ids of each enabling group (ModelRules.h says which groups a model keeps
// disabled), in the order the page switches them.
std::span<const int> ControlIdsOf(ControlGroup group);
