#include "framework/DataExchange.h"

#include "framework/FrameworkResource.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_hWndLastControl = GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return hWnd;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (!m_bSaveAndValidate || m_hWndLastControl == nullptr)
        return;
    SetFocus(m_hWndLastControl);
    if (m_bEditLastControl)
        SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The text without the blanks around it.
std::string Trimmed(const char* text) {
    const char* begin = text;
    while (IsBlank(*begin))
        ++begin;
    const char* end = begin + std::char_traits<char>::length(begin);
    while (end > begin && IsBlank(end[-1]))
        --end;
    return std::string(begin, end);
}

bool IsDigits(const std::string& s, size_t from, size_t to) {
    if (from >= to)
        return false;
    for (size_t i = from; i < to; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

// A decimal number: an optional sign, digits with an optional decimal point
// (at least one digit), an optional exponent. No hexadecimal, no "inf".
bool IsDecimalNumber(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == start)
            return false;
    }
    return i == s.size();
}

std::string FormatInt(long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", value);
    return buffer;
}

} // namespace

bool ddx::ParseInt(const char* text, int& value) {
    const std::string s = Trimmed(text);
    const size_t digitsFrom = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (!IsDigits(s, digitsFrom, s.size()))
        return false;
    errno = 0;
    const long long parsed = std::strtoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = int(parsed);
    return true;
}

bool ddx::ParseUnsigned(const char* text, UINT& value) {
    const std::string s = Trimmed(text);
    const size_t digitsFrom = (!s.empty() && s[0] == '+') ? 1 : 0;
    if (!IsDigits(s, digitsFrom, s.size()))
        return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(s.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed > UINT_MAX)
        return false;
    value = UINT(parsed);
    return true;
}

bool ddx::ParseFloat(const char* text, float& value) {
    const std::string s = Trimmed(text);
    if (!IsDecimalNumber(s))
        return false;
    const double parsed = std::strtod(s.c_str(), nullptr);
    if (!std::isfinite(parsed) || std::fabs(parsed) > FLT_MAX)
        return false;
    value = float(parsed);
    return true;
}

std::string ddx::FormatFloat(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", FLT_DIG, value);
    return buffer;
}

namespace {

// Exchanges an edit's text with a value through a parser and a formatter.
template <class T, class Parse, class Format>
void ExchangeEdit(CDataExchange& dx, int nIDC, T& value, UINT nIDPrompt, Parse parse,
                  Format format) {
    if (dx.Failed())
        return;
    HWND hEdit = dx.PrepareEditCtrl(nIDC);
    if (!dx.m_bSaveAndValidate) {
        SetWindowTextA(hEdit, format(value).c_str());
        return;
    }
    T parsed{};
    if (!parse(CWnd::GetWindowText(hEdit).c_str(), parsed)) {
        AfxMessageBox(nIDPrompt);
        dx.Fail();
        return;
    }
    value = parsed;
}

void FailRange(CDataExchange& dx, UINT nIDPrompt, const std::string& minText,
               const std::string& maxText) {
    const std::string prompt = AfxFormatString2(nIDPrompt, minText.c_str(), maxText.c_str());
    AfxMessageBox(prompt.c_str(), MB_ICONEXCLAMATION, nIDPrompt);
    dx.Fail();
}

// A value read from a field outside its range refuses the field, naming the range.
template <class T> void CheckRange(CDataExchange& dx, T value, T minVal, T maxVal) {
    if (!dx.m_bSaveAndValidate || dx.Failed() || !(value < minVal || value > maxVal))
        return;
    if constexpr (std::is_floating_point_v<T>)
        FailRange(dx, AFX_IDP_PARSE_REAL_RANGE, ddx::FormatFloat(minVal), ddx::FormatFloat(maxVal));
    else
        FailRange(dx, AFX_IDP_PARSE_INT_RANGE, FormatInt(minVal), FormatInt(maxVal));
}

} // namespace

void DDX_Text(CDataExchange& dx, int nIDC, int& value) {
    ExchangeEdit(dx, nIDC, value, AFX_IDP_PARSE_INT, ddx::ParseInt,
                 [](int v) { return FormatInt(v); });
}

void DDX_Text(CDataExchange& dx, int nIDC, UINT& value) {
    ExchangeEdit(dx, nIDC, value, AFX_IDP_PARSE_UINT, ddx::ParseUnsigned,
                 [](UINT v) { return FormatInt(v); });
}

void DDX_Text(CDataExchange& dx, int nIDC, float& value) {
    ExchangeEdit(dx, nIDC, value, AFX_IDP_PARSE_REAL, ddx::ParseFloat,
                 [](float v) { return ddx::FormatFloat(v); });
}

void DDX_Text(CDataExchange& dx, int nIDC, std::string& value) {
    if (dx.Failed())
        return;
    HWND hEdit = dx.PrepareEditCtrl(nIDC);
    if (dx.m_bSaveAndValidate)
        value = CWnd::GetWindowText(hEdit);
    else
        SetWindowTextA(hEdit, value.c_str());
}

void DDX_Check(CDataExchange& dx, int nIDC, BOOL& value) {
    if (dx.Failed())
        return;
    HWND hButton = dx.PrepareCtrl(nIDC);
    if (dx.m_bSaveAndValidate)
        value = BOOL(SendMessageA(hButton, BM_GETCHECK, 0, 0));
    else
        SendMessageA(hButton, BM_SETCHECK, WPARAM(value), 0);
}

void DDX_Radio(CDataExchange& dx, int nIDC, int& value) {
    if (dx.Failed())
        return;
    HWND hButton = dx.PrepareCtrl(nIDC);
    if (dx.m_bSaveAndValidate)
        value = -1;
    // The group runs from nIDC to the next control with WS_GROUP.
    int index = 0;
    for (HWND h = hButton; h != nullptr; h = GetWindow(h, GW_HWNDNEXT), ++index) {
        if (h != hButton && (GetWindowLongPtrA(h, GWL_STYLE) & WS_GROUP))
            break;
        if (dx.m_bSaveAndValidate) {
            if (SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            SendMessageA(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void DDX_CBIndex(CDataExchange& dx, int nIDC, int& index) {
    if (dx.Failed())
        return;
    HWND hCombo = dx.PrepareCtrl(nIDC);
    if (dx.m_bSaveAndValidate)
        index = int(SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    else
        SendMessageA(hCombo, CB_SETCURSEL, WPARAM(index), 0);
}

void DDX_Control(CDataExchange& dx, int nIDC, CWnd& control) {
    if (dx.Failed() || control.m_hWnd != nullptr)
        return;
    control.SubclassWindow(dx.PrepareCtrl(nIDC));
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minVal, int maxVal) {
    CheckRange(dx, value, minVal, maxVal);
}
void DDV_MinMaxUInt(CDataExchange& dx, UINT value, UINT minVal, UINT maxVal) {
    CheckRange(dx, value, minVal, maxVal);
}
void DDV_MinMaxFloat(CDataExchange& dx, float value, float minVal, float maxVal) {
    CheckRange(dx, value, minVal, maxVal);
}
