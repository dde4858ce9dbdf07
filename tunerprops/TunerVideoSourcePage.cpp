#include "tunerprops/TunerVideoSourcePage.h"

#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerVideoSourcePage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerVideoSourcePage, CTunerPage)
END_MESSAGE_MAP()

CTunerVideoSourcePage::CTunerVideoSourcePage() : CTunerPage(IDD_VIDEO_SOURCE) {}
