#include "DeviceEnvironment.h"

#include <cstdlib>

std::optional<LONGLONG> EnvironmentNumber(const char* name) {
    char value[64];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return std::nullopt;
    }
    char* end = nullptr;
    const LONGLONG number = std::strtoll(value, &end, 0);
    if (end == value || *end != '\0') {
        return std::nullopt;
    }
    return number;
}
