#pragma once

#include "framework/WinApp.h"

// The library's application object: no name of its own, no start-up or
// shut-down of its own.
class CTunerApp : public CWinApp {
    DECLARE_DYNAMIC(CTunerApp)
public:
    CTunerApp() = default;

protected:
    DECLARE_MESSAGE_MAP()
};
