#pragma once
#include <string>

#include "quarry/export.hh"

namespace nimbus::os {

/// Replaces $NAME and ${NAME} by the variable's value (empty when unset);
/// the text unchanged while expansion is off on this thread.
QUARRY_EXPORT std::string expand_from_env(const std::string& text);

/// Turns expansion on or off for the calling thread while alive: a deck
/// from an untrusted source must not read the environment.
class QUARRY_EXPORT scoped_env_expansion {
public:
    explicit scoped_env_expansion(bool on);
    ~scoped_env_expansion();
    scoped_env_expansion(const scoped_env_expansion&) = delete;
    scoped_env_expansion& operator=(const scoped_env_expansion&) = delete;

private:
    bool previous_;
};

/// True when the variable is set to 1, yes, on, true, y or t (any case).
QUARRY_EXPORT bool getenv_bool(const char* name);

}  // namespace nimbus::os
