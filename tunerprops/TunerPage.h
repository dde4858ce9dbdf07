#pragma once

#include "framework/PropertyPage.h"
#include "tunerprops/PageButtons.h"

#include <span>

class CDeviceSettings;

// What every page of the sheet shares: the sheet's settings record, the
// clicks on the buttons of its choices, and Apply and OK, which store the
// format and drawing values and clear the page's modified mark.
class CTunerPage : public CPropertyPage {
    DECLARE_DYNAMIC(CTunerPage)
public:
    // Gives the page the sheet's record (not owned) before its window
    // exists: pages are made by run-time class, without arguments.
    void AttachSettings(CDeviceSettings& settings) { m_pSettings = &settings; }

protected:
    DECLARE_MESSAGE_MAP()

    // One choice of a page: its buttons with the code each stands for, and
    // what choosing a code does. A click on one of them chooses its code.
    using ChooseFunction = void (CTunerPage::*)(DWORD dwCode);
    struct ButtonChoice {
        std::span<const CodeButton> buttons;
        ChooseFunction choose;
    };
    template <class Page> static ChooseFunction Choose(void (Page::*choose)(DWORD)) {
        return static_cast<ChooseFunction>(choose);
    }
    explicit CTunerPage(UINT nIDTemplate, std::span<const ButtonChoice> choices = {})
        : CPropertyPage(nIDTemplate), m_choices(choices) {}

    void OnOK() override;
    bool OnApply() override;
    bool OnKillActive() override { return ReadControls(); }
    bool OnSetActive() override;

    // Reads the controls into the members; false when a field was refused.
    // The refusal's message box takes the focus from whatever field had it:
    // a field's own check on losing the focus waits while this runs
    // (IsReadingControls), so that one mistake gives one message.
    bool ReadControls();
    bool IsReadingControls() const { return m_bReadingControls; }

    CDeviceSettings* m_pSettings = nullptr; // the sheet's record

private:
    void OnButtonClicked(UINT nID);

    std::span<const ButtonChoice> m_choices;
    bool m_bReadingControls = false;
};
