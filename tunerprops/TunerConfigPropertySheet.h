#pragma once

#include "framework/PropertySheet.h"
#include "tunerprops/Credits.h"
#include "tunerprops/DeviceSettings.h"
#include "contract/SheetMode.h"
#include "tunerprops/TunerColorPage.h"
#include "tunerprops/TunerDrawingPage.h"
#include "tunerprops/TunerVideoFormatPage.h"
#include "tunerprops/TunerVideoSourcePage.h"

#include <memory>

// The "Video Configuration" sheet: its pages and the settings record they
// share. The sheet mode decides which pages it shows.
class CTunerConfigPropertySheet : public CPropertySheet {
    DECLARE_DYNAMIC(CTunerConfigPropertySheet)
public:
    CTunerConfigPropertySheet(const char* lpszCaption, CWnd* pParentWnd, UINT iSelectPage,
                              TunerSheetMode mode);
    ~CTunerConfigPropertySheet() override;

    // Shows the pages of the sheet mode.
    INT_PTR DoModal() override;

    CDeviceSettings& Settings() { return m_settings; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Built in this order, destroyed in the reverse: the record goes first.
    std::unique_ptr<CTunerVideoFormatPage> m_pVideoFormatPage;
    std::unique_ptr<CTunerDrawingPage> m_pDrawingPage;
    std::unique_ptr<CTunerColorPage> m_pColorPage;
    std::unique_ptr<CTunerVideoSourcePage> m_pVideoSourcePage;
    std::unique_ptr<Credits> m_pCreditsPage;
    CDeviceSettings m_settings;
    const TunerSheetMode m_mode;
};
