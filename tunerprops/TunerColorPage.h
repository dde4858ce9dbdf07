#pragma once

#include "tunerprops/TunerPage.h"

// The Color page: brightness, contrast, saturation and hue, each a trackbar
// with a field beside it. Every change is stored and signalled at once, so
// the driver follows a drag; Apply, OK and Cancel add nothing to them.
class CTunerColorPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerColorPage)
public:
    CTunerColorPage();

    enum Colour { Brightness, Contrast, Hue, Saturation, ColourCount };

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // Stores a value the user gave, when it is one the card takes (0..255).
    void StoreFromUser(Colour colour, DWORD dwValue);
    void Store(Colour colour, DWORD dwValue);
    // Reads the four values from the registry into the record and the fields.
    void ReloadFields();
    UINT SliderPos(Colour colour) const;
    void SetSliderPos(Colour colour, UINT nPos);
    // Stores the value the user left in a field.
    void LeaveField(UINT nFieldID);

    void OnHScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);
    void OnDefault();

    UINT m_nFieldValues[ColourCount] = {}; // what the fields show
};
