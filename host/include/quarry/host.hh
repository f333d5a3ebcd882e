#pragma once
#include "quarry/export.hh"

namespace quarry::host {

/// Host start-up: registers the base language description ("quarry::base")
/// and the message formats of the named packets. Safe to call more than once.
QUARRY_EXPORT void start();

}  // namespace quarry::host
