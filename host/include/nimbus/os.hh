#pragma once
#include <string>

#include "quarry/export.hh"

namespace nimbus::os {

/// Replaces $NAME and ${NAME} by the variable's value (empty when unset).
QUARRY_EXPORT std::string expand_from_env(const std::string& text);

/// True when the variable is set to 1, yes, on, true, y or t (any case).
QUARRY_EXPORT bool getenv_bool(const char* name);

}  // namespace nimbus::os
