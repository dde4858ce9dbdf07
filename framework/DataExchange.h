#pragma once

#include <windows.h>

#include <string>

class CWnd;

// One exchange between a dialog's controls and its members. While saving,
// the first field that is refused reports its message, puts the focus back
// on its control and ends the exchange: every later DDX_ and DDV_ call of
// the same exchange does nothing.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, bool bSaveAndValidate)
        : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}

    CWnd* const m_pDlgWnd;
    const bool m_bSaveAndValidate;

    bool Failed() const { return m_bFailed; }
    // The control of the field being exchanged, for the focus on failure.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Refuses the current field: the focus goes back to its control (an
    // edit's text is selected) and the exchange ends.
    void Fail();

private:
    bool m_bFailed = false;
    bool m_bEditLastControl = false;
    HWND m_hWndLastControl = nullptr;
};

// Parsing and formatting of the edit fields, as the exchange does them.
// Blanks (spaces and tabs) around the number are allowed.
namespace ddx {
bool ParseInt(const char* text, int& value);
bool ParseUnsigned(const char* text, UINT& value);
bool ParseFloat(const char* text, float& value);
// A float with 6 significant digits ("%.*g").
std::string FormatFloat(double value);
} // namespace ddx

void DDX_Text(CDataExchange& dx, int nIDC, int& value);
void DDX_Text(CDataExchange& dx, int nIDC, UINT& value);
void DDX_Text(CDataExchange& dx, int nIDC, float& value);
void DDX_Text(CDataExchange& dx, int nIDC, std::string& value);
// A check box's state: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange& dx, int nIDC, BOOL& value);
// The index of the selected radio button of the group starting at nIDC, -1 for none.
void DDX_Radio(CDataExchange& dx, int nIDC, int& value);
// The selected entry of a combo box, -1 for none.
void DDX_CBIndex(CDataExchange& dx, int nIDC, int& index);
// Binds the control nIDC of the dialog to a window object (first exchange only).
void DDX_Control(CDataExchange& dx, int nIDC, CWnd& control);

void DDV_MinMaxInt(CDataExchange& dx, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange& dx, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxFloat(CDataExchange& dx, float value, float minVal, float maxVal);
