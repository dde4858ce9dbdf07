#include "tunerprops/TunerColorPage.h"

#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerColorPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerColorPage, CTunerPage)
END_MESSAGE_MAP()

CTunerColorPage::CTunerColorPage() : CTunerPage(IDD_COLOR) {}
