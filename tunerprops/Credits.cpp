#include "tunerprops/Credits.h"

#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(Credits, CPropertyPage)

BEGIN_MESSAGE_MAP(Credits, CPropertyPage)
END_MESSAGE_MAP()

Credits::Credits() : CPropertyPage(IDD_CREDITS) {}
