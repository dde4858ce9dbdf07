#include "tunerprops/TunerDrawingPage.h"

#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerDrawingPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerDrawingPage, CTunerPage)
END_MESSAGE_MAP()

CTunerDrawingPage::CTunerDrawingPage() : CTunerPage(IDD_DRAWING) {}
