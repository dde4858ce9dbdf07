#include "tunerprops/DirectDrawCaps.h"

namespace {
// The values in their field order, with their registry names.
struct CapsValue {
    const char* name;
    DWORD CDirectDrawCaps::*field;
};
constexpr CapsValue kCapsValues[] = {
    {"DDSupportsRGB15", &CDirectDrawCaps::DDSupportsRGB15},
    {"DDSupportsRGB24", &CDirectDrawCaps::DDSupportsRGB24},
    {"DDSupportsRGB32", &CDirectDrawCaps::DDSupportsRGB32},
    {"DDSupportsYUY2", &CDirectDrawCaps::DDSupportsYUY2},
    {"DDSupportsOSPRGB15", &CDirectDrawCaps::DDSupportsOSPRGB15},
    {"DDSupportsOSPRGB24", &CDirectDrawCaps::DDSupportsOSPRGB24},
    {"DDSupportsOSPRGB32", &CDirectDrawCaps::DDSupportsOSPRGB32},
    {"DDSupportsOSPYUY2", &CDirectDrawCaps::DDSupportsOSPYUY2},
    {"DDAvailable", &CDirectDrawCaps::DDAvailable},
    {"DDSupportsOverlays", &CDirectDrawCaps::DDSupportsOverlays},
    {"DDSupportsOffScreenPlanes", &CDirectDrawCaps::DDSupportsOffScreenPlanes},
};
} // namespace

void CDirectDrawCaps::Load() {
    for (const CapsValue& value : kCapsValues)
        this->*value.field = m_keyPath.ReadDword(value.name);
}

void CDirectDrawCaps::Clear() {
    for (const CapsValue& value : kCapsValues)
        this->*value.field = 0;
    m_keyPath.Clear();
}
