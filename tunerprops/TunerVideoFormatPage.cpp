#include "tunerprops/TunerVideoFormatPage.h"

#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerVideoFormatPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerVideoFormatPage, CTunerPage)
END_MESSAGE_MAP()

CTunerVideoFormatPage::CTunerVideoFormatPage() : CTunerPage(IDD_VIDEO_FORMAT) {}
