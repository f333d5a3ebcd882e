#pragma once

/// Marks the few symbols a shared object built with -fvisibility=hidden exports.
#if defined(_WIN32)
#define QUARRY_EXPORT __declspec(dllexport)
#else
#define QUARRY_EXPORT __attribute__((visibility("default")))
#endif
