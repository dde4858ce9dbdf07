#include "tunerprops/TunerApp.h"

IMPLEMENT_DYNAMIC(CTunerApp, CWinApp)

BEGIN_MESSAGE_MAP(CTunerApp, CWinApp)
END_MESSAGE_MAP()
