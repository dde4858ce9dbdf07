#include "ExchangeDialog.h"
#include "TestApp.h"
#include "resource.h"

#include "framework/DataExchange.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

namespace {

// What the user saw after typing into one field and pressing OK.
struct Outcome {
    INT_PTR result = 0; // IDOK when the dialog closed
    std::vector<ShownMessage> messages;
    int focus = 0;                  // the focused control after a refusal
    bool wholeTextSelected = false; // ... with its text selected
};

Outcome TypeAndPressOK(CExchangeDialog& dialog, int nID, const char* text) {
    Outcome outcome;
    theApp.m_messages.clear();
    dialog.m_script = [&](CExchangeDialog& d) {
        d.Type(nID, text);
        d.Press(IDOK);
        if (theApp.m_messages.empty())
            return; // accepted: the dialog is closing
        // The field was refused. Look, then leave.
        outcome.focus = d.FocusedControl();
        const auto selection = DWORD(::SendMessageA(GetFocus(), EM_GETSEL, 0, 0));
        outcome.wholeTextSelected =
            LOWORD(selection) == 0 && HIWORD(selection) == std::strlen(text);
        d.Press(IDCANCEL);
    };
    outcome.result = dialog.DoModal();
    outcome.messages = theApp.m_messages.Shown();
    return outcome;
}

constexpr const char* kNumber = "Please enter a number.";
constexpr const char* kFrameRateRange = "Please enter a number between 0.017 and 100.";
constexpr const char* kInteger = "Please enter an integer.";
constexpr const char* kBufferRange = "Please enter an integer between 1 and 1000.";
constexpr const char* kPositive = "Please enter a positive integer.";

struct FieldCase {
    int control;
    const char* typed;
    const char* message; // null when accepted
    UINT type;           // the message box type asked for
};

void ExpectOutcome(const FieldCase& c, const Outcome& outcome) {
    if (c.message == nullptr) {
        EXPECT_EQ(outcome.result, IDOK);
        EXPECT_TRUE(outcome.messages.empty());
        return;
    }
    EXPECT_EQ(outcome.result, IDCANCEL) << "the dialog must stay open";
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].text, c.message);
    EXPECT_EQ(outcome.messages[0].type, c.type);
    EXPECT_EQ(outcome.focus, c.control);
    EXPECT_TRUE(outcome.wholeTextSelected);
}

TEST(DataExchange, FloatFieldsAcceptDecimalNumbersInRange) {
    struct Accepted {
        const char* typed;
        float value;
    };
    const Accepted accepted[] = {
        {"20", 20.0f},  {" 15 ", 15.0f}, {"\t29.97", 29.97f}, {"100", 100.0f}, {"0.017", 0.017f},
        {"+50", 50.0f}, {"1e1", 10.0f},  {".5", 0.5f},        {"7.", 7.0f},
    };
    for (const Accepted& a : accepted) {
        SCOPED_TRACE(a.typed);
        CExchangeDialog dialog;
        ExpectOutcome({IDC_FLOAT, a.typed, nullptr, 0}, TypeAndPressOK(dialog, IDC_FLOAT, a.typed));
        EXPECT_EQ(dialog.m_fFrameRate, a.value);
    }
}

TEST(DataExchange, RefusedFieldsReportStopAndKeepTheDialogOpen) {
    const FieldCase cases[] = {
        {IDC_FLOAT, "0.016", kFrameRateRange, MB_ICONEXCLAMATION},
        {IDC_FLOAT, "101", kFrameRateRange, MB_ICONEXCLAMATION},
        {IDC_FLOAT, "-5", kFrameRateRange, MB_ICONEXCLAMATION},
        {IDC_FLOAT, "abc", kNumber, MB_OK},
        {IDC_FLOAT, "", kNumber, MB_OK},
        {IDC_FLOAT, "   ", kNumber, MB_OK},
        {IDC_FLOAT, "12abc", kNumber, MB_OK},
        {IDC_FLOAT, "1 2", kNumber, MB_OK},
        {IDC_FLOAT, "inf", kNumber, MB_OK},
        {IDC_FLOAT, "0x10", kNumber, MB_OK},
        {IDC_FLOAT, "1e500", kNumber, MB_OK},
        {IDC_FLOAT, "-", kNumber, MB_OK},
        {IDC_INT, "0", kBufferRange, MB_ICONEXCLAMATION},
        {IDC_INT, "1001", kBufferRange, MB_ICONEXCLAMATION},
        {IDC_INT, "-3", kBufferRange, MB_ICONEXCLAMATION},
        {IDC_INT, "12.5", kInteger, MB_OK},
        {IDC_INT, "abc", kInteger, MB_OK},
        {IDC_INT, "", kInteger, MB_OK},
        {IDC_INT, "99999999999", kInteger, MB_OK},
        {IDC_INT, "+", kInteger, MB_OK},
        {IDC_UINT, "-1", kPositive, MB_OK},
        {IDC_UINT, "4294967296", kPositive, MB_OK},
        {IDC_UINT, "abc", kPositive, MB_OK},
        {IDC_UINT, "", kPositive, MB_OK},
        {IDC_UINT, "3.0", kPositive, MB_OK},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(std::string("control ") + std::to_string(c.control) + " typed \"" + c.typed +
                     "\"");
        CExchangeDialog dialog;
        ExpectOutcome(c, TypeAndPressOK(dialog, c.control, c.typed));
    }
}

TEST(DataExchange, IntegerFieldsAcceptSignsBlanksAndTheirLimits) {
    struct Accepted {
        int control;
        const char* typed;
        long long value;
    };
    const Accepted accepted[] = {
        {IDC_INT, "1", 1},
        {IDC_INT, " 1000 ", 1000},
        {IDC_INT, "+7", 7},
        {IDC_UINT, "0", 0},
        {IDC_UINT, "4294967295", 4294967295LL},
        {IDC_UINT, "\t3\t", 3},
        {IDC_UINT, "+12", 12},
    };
    for (const Accepted& a : accepted) {
        SCOPED_TRACE(a.typed);
        CExchangeDialog dialog;
        ExpectOutcome({a.control, a.typed, nullptr, 0}, TypeAndPressOK(dialog, a.control, a.typed));
        const long long value =
            a.control == IDC_INT ? dialog.m_nBuffers : static_cast<long long>(dialog.m_nSeconds);
        EXPECT_EQ(value, a.value);
    }
}

TEST(DataExchange, OnlyTheFirstRefusalIsReported) {
    CExchangeDialog dialog;
    dialog.m_nSeconds = 9;
    theApp.m_messages.clear();
    int focus = 0;
    dialog.m_script = [&](CExchangeDialog& d) {
        d.Type(IDC_INT, "abc");
        d.Type(IDC_UINT, "5");
        d.Type(IDC_FLOAT, "500");
        d.Press(IDOK);
        focus = d.FocusedControl();
        d.Press(IDCANCEL);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(theApp.m_messages.size(), 1u);
    EXPECT_EQ(theApp.m_messages[0].text, kFrameRateRange);
    EXPECT_EQ(focus, IDC_FLOAT);
    EXPECT_EQ(dialog.m_nSeconds, 9u); // fields after the refused one are not read
}

TEST(DataExchange, DisabledFieldsAreValidatedToo) {
    CExchangeDialog dialog;
    theApp.m_messages.clear();
    dialog.m_script = [](CExchangeDialog& d) {
        d.Type(IDC_UINT, "-1");
        ::EnableWindow(::GetDlgItem(d.m_hWnd, IDC_UINT), FALSE);
        d.Press(IDOK);
        d.Press(IDCANCEL);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(theApp.m_messages.size(), 1u);
    EXPECT_EQ(theApp.m_messages[0].text, kPositive);
}

TEST(DataExchange, MembersFillTheControlsWhenTheDialogOpens) {
    CExchangeDialog dialog;
    dialog.m_fFrameRate = 29.97f;
    dialog.m_bCheck = TRUE;
    dialog.m_nBuffers = -12;
    dialog.m_nSeconds = 4000000000u;
    dialog.m_text = "capture.avi";
    std::string shown[4];
    UINT checked = 0;
    dialog.m_script = [&](CExchangeDialog& d) {
        shown[0] = d.GetDlgItemText(IDC_FLOAT);
        shown[1] = d.GetDlgItemText(IDC_INT);
        shown[2] = d.GetDlgItemText(IDC_UINT);
        shown[3] = d.GetDlgItemText(IDC_TEXT);
        checked = IsDlgButtonChecked(d.m_hWnd, IDC_CHECK);
        d.Press(IDCANCEL);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(shown[0], "29.97");
    EXPECT_EQ(shown[1], "-12");
    EXPECT_EQ(shown[2], "4000000000");
    EXPECT_EQ(shown[3], "capture.avi");
    EXPECT_EQ(checked, UINT(BST_CHECKED));
}

TEST(DataExchange, CheckBoxAndTextRoundTrip) {
    CExchangeDialog dialog;
    dialog.m_script = [](CExchangeDialog& d) {
        CheckDlgButton(d.m_hWnd, IDC_CHECK, BST_CHECKED);
        d.Type(IDC_TEXT, "  kept as typed ");
        d.Press(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_bCheck, TRUE);
    EXPECT_EQ(dialog.m_text, "  kept as typed ");
}

// Frame rates: the dialog shows frames per second with 6 significant digits,
// the capture parameters hold whole microseconds per frame.
DWORD MicrosecondsPerFrame(float framesPerSecond) {
    return DWORD(1000000.0 / double(framesPerSecond));
}
float FramesPerSecond(DWORD microseconds) {
    return float(1000000.0 / double(microseconds));
}

TEST(DataExchange, FloatsShowSixSignificantDigits) {
    struct Case {
        float value;
        const char* shown;
    };
    const Case cases[] = {
        {FramesPerSecond(50000), "20"},
        {FramesPerSecond(66666), "15.0001"},
        {FramesPerSecond(33333), "30.0003"},
        {FramesPerSecond(33366), "29.9706"},
        {FramesPerSecond(10000), "100"},
        {FramesPerSecond(58823526), "0.017"},
        {0.017f, "0.017"},
        {1234567.0f, "1.23457e+06"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ddx::FormatFloat(c.value), c.shown);
}

TEST(DataExchange, TypedFrameRatesConvertToTheExpectedFramePeriods) {
    struct Case {
        const char* typed;
        DWORD microseconds;
        const char* shownAgain;
    };
    const Case cases[] = {
        {"20", 50000, "20"},         {"15", 66666, "15.0001"}, {"30", 33333, "30.0003"},
        {"29.97", 33366, "29.9706"}, {"100", 10000, "100"},    {"0.017", 58823526, "0.017"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CExchangeDialog dialog;
        ASSERT_EQ(TypeAndPressOK(dialog, IDC_FLOAT, c.typed).result, IDOK);
        const DWORD microseconds = MicrosecondsPerFrame(dialog.m_fFrameRate);
        EXPECT_EQ(microseconds, c.microseconds);

        CExchangeDialog reopened;
        reopened.m_fFrameRate = FramesPerSecond(microseconds);
        std::string shown;
        reopened.m_script = [&](CExchangeDialog& d) {
            shown = d.GetDlgItemText(IDC_FLOAT);
            d.Press(IDCANCEL);
        };
        reopened.DoModal();
        EXPECT_EQ(shown, c.shownAgain);
    }
}

TEST(Dialog, ControlsTakeTheApplicationsDialogColours) {
    theApp.SetDialogBkColor();
    CExchangeDialog dialog;
    COLORREF brushColour = 0, textColour = 0, backColour = 0;
    bool editKeepsItsOwn = false;
    dialog.m_script = [&](CExchangeDialog& d) {
        HDC hdc = GetDC(d.m_hWnd);
        auto brush = reinterpret_cast<HBRUSH>(
            d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                          reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDC_CHECK))));
        LOGBRUSH logBrush{};
        GetObjectA(brush, sizeof logBrush, &logBrush);
        brushColour = logBrush.lbColor;
        textColour = GetTextColor(hdc);
        backColour = GetBkColor(hdc);
        auto editBrush = reinterpret_cast<HBRUSH>(
            d.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hdc),
                          reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDC_TEXT))));
        editKeepsItsOwn = editBrush != brush;
        ReleaseDC(d.m_hWnd, hdc);
        d.Press(IDCANCEL);
    };
    dialog.DoModal();
    EXPECT_EQ(brushColour, RGB(192, 192, 192));
    EXPECT_EQ(backColour, RGB(192, 192, 192));
    EXPECT_EQ(textColour, RGB(0, 0, 0));
    EXPECT_TRUE(editKeepsItsOwn);
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow) {
    CDialog dialog(IDD_LIBRARY); // the library's template, not the program's
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(Dialog, LibraryDialogsComeFromTheLibrarysResources) {
    UniqueModule library(LoadLibraryA("fwtestlib.dll"));
    ASSERT_TRUE(library);
    using RunLibraryDialog = INT_PTR(WINAPI*)(char*, int);
    auto run = ProcAddress<RunLibraryDialog>(library.Get(), "RunLibraryDialog");
    ASSERT_NE(run, nullptr);
    char caption[64] = {};
    EXPECT_EQ(run(caption, sizeof caption), IDOK);
    EXPECT_STREQ(caption, "From the library");
}

} // namespace
