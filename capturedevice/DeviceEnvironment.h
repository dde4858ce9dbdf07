#pragma once
// The device's numeric settings, environment variables as its others are.

#include <windows.h>

#include <optional>

// The variable's value as a whole number (decimal, or 0x hexadecimal; may be
// negative); nullopt when it is unset or not a number.
std::optional<LONGLONG> EnvironmentNumber(const char* name);
