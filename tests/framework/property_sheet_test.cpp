// The framework's modal property sheet: pages from templates, Apply's
// enabled state, the page hooks at Apply, OK and Cancel, the check of a
// page's fields when it is left, the modal result.
#include "TestApp.h"
#include "resource.h"

#include "framework/DataExchange.h"
#include "framework/PropertyPage.h"
#include "framework/PropertySheet.h"
#include "support/DialogScript.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

// A page that logs its hooks; the number page exchanges its field.
class LoggingPage : public CPropertyPage {
public:
    LoggingPage(UINT nIDTemplate, const char* name) : CPropertyPage(nIDTemplate), m_name(name) {}
    int m_number = 5;
    int m_initCount = 0;

    bool OnSetActive() override {
        g_log.push_back(m_name + ":SetActive");
        return CPropertyPage::OnSetActive();
    }
    bool OnKillActive() override {
        g_log.push_back(m_name + ":KillActive");
        return CPropertyPage::OnKillActive();
    }
    bool OnApply() override {
        g_log.push_back(m_name + ":Apply");
        return CPropertyPage::OnApply();
    }
    void OnReset() override {
        g_log.push_back(m_name + ":Reset");
        CPropertyPage::OnReset();
    }

protected:
    bool OnInitDialog() override {
        ++m_initCount;
        return CPropertyPage::OnInitDialog();
    }
    void OnOK() override { g_log.push_back(m_name + ":OK"); }
    void OnCancel() override { g_log.push_back(m_name + ":Cancel"); }
    void DoDataExchange(CDataExchange& dx) override {
        if (GetTemplateId() == IDD_PAGE_NUMBER) {
            DDX_Text(dx, IDC_PAGE_NUMBER, m_number);
            DDV_MinMaxInt(dx, m_number, 1, 10);
        }
    }

private:
    std::string m_name;
};

class PropertySheetTest : public testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        theApp.m_messages.clear();
    }
    LoggingPage number{IDD_PAGE_NUMBER, "Number"};
    LoggingPage plain{IDD_PAGE_PLAIN, "Plain"};
};

TEST_F(PropertySheetTest, ShowsCaptionTabsAndStartPageWithTheParentDisabled) {
    HWND hParent = CreateWindowExA(0, "Static", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   200, 100, nullptr, nullptr, nullptr, nullptr);
    CWnd parent;
    ASSERT_TRUE(parent.Attach(hParent));
    CPropertySheet sheet("Sheet Caption", &parent, 1);
    sheet.AddPage(&number);
    sheet.AddPage(&plain);
    const SheetRun run = RunModalSheet(
        "Sheet Caption", [&] { return sheet.DoModal(); },
        [&](HWND hSheet) {
            EXPECT_EQ(CWnd::FromHandlePermanent(hSheet), &sheet);
            EXPECT_EQ(TabCaptions(hSheet), (std::vector<std::string>{"Number", "Plain"}));
            EXPECT_EQ(CurrentPageIndex(hSheet), 1);
            EXPECT_EQ(sheet.GetActivePage(), &plain);
            EXPECT_EQ(CWnd::FromHandlePermanent(PropSheet_GetCurrentPageHwnd(hSheet)), &plain);
            EXPECT_EQ(GetWindow(hSheet, GW_OWNER), hParent);
            EXPECT_FALSE(IsWindowEnabled(hParent)) << "the parent is disabled while the sheet runs";
            EXPECT_FALSE(IsApplyEnabled(hSheet));
        });
    EXPECT_TRUE(run.scriptRan);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(hParent));
    EXPECT_EQ(number.m_initCount, 0) << "a page never shown has no window";
    EXPECT_EQ(plain.m_initCount, 1);
    EXPECT_EQ(plain.m_hWnd, nullptr);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
    parent.Detach();
    DestroyWindow(hParent);
}

// Given a child window, the sheet is modal for the child's top-level window:
// that one is disabled while it runs and left as it was found.
TEST_F(PropertySheetTest, ModalForTheTopLevelWindowOfAChildParent) {
    struct {
        const char* context;
        bool frameEnabledBefore;
    } const cases[] = {
        {"an enabled frame is disabled, then enabled again", true},
        {"a frame disabled before stays disabled", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        HWND hFrame = CreateWindowExA(0, "Static", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      300, 200, nullptr, nullptr, nullptr, nullptr);
        HWND hView = CreateWindowExA(0, "Static", "view", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50,
                                     hFrame, nullptr, nullptr, nullptr);
        HWND hInner = CreateWindowExA(0, "Static", "inner", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                      hView, nullptr, nullptr, nullptr);
        EnableWindow(hFrame, c.frameEnabledBefore);
        CWnd inner;
        ASSERT_TRUE(inner.Attach(hInner));
        CPropertySheet sheet("Child Parent", &inner);
        sheet.AddPage(&plain);
        const SheetRun run = RunModalSheet(
            "Child Parent", [&] { return sheet.DoModal(); },
            [&](HWND hSheet) {
                EXPECT_EQ(GetWindow(hSheet, GW_OWNER), hFrame);
                EXPECT_FALSE(IsWindowEnabled(hFrame)) << "the program cannot be used meanwhile";
                EXPECT_TRUE(IsWindowEnabled(hInner)) << "the child itself is left alone";
                PressButton(hSheet, PSBTN_CANCEL);
            });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_EQ(IsWindowEnabled(hFrame) != FALSE, c.frameEnabledBefore);
        inner.Detach();
        DestroyWindow(hFrame);
    }
}

TEST_F(PropertySheetTest, ModifiedMarkEnablesApplyUntilEveryPageIsCleared) {
    CPropertySheet sheet("Modified");
    sheet.AddPage(&number);
    sheet.AddPage(&plain);
    RunModalSheet(
        "Modified", [&] { return sheet.DoModal(); },
        [&](HWND hSheet) {
            SelectPage(hSheet, 1);
            SelectPage(hSheet, 0);
            struct Step {
                const char* context;
                LoggingPage* page;
                bool modified;
                bool applyEnabled;
            };
            const Step steps[] = {
                {"Number marked", &number, true, true},
                {"Plain marked", &plain, true, true},
                {"Number cleared, Plain still marked", &number, false, true},
                {"Plain cleared too", &plain, false, false},
                {"marked again", &plain, true, true},
            };
            for (const Step& step : steps) {
                step.page->SetModified(step.modified);
                EXPECT_EQ(IsApplyEnabled(hSheet), step.applyEnabled) << step.context;
                EXPECT_EQ(step.page->IsModified(), step.modified) << step.context;
            }
        });
}

TEST_F(PropertySheetTest, ApplyAndOkCallOnApplyThenOnOkOfEveryShownPage) {
    struct Case {
        const char* context;
        bool showSecondPage;
        int button;
        std::vector<std::string> log;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Apply, one page shown",
         false,
         PSBTN_APPLYNOW,
         {"Number:KillActive", "Number:Apply", "Number:OK", "Number:SetActive"},
         IDCANCEL},
        {"OK, one page shown",
         false,
         PSBTN_OK,
         {"Number:KillActive", "Number:Apply", "Number:OK"},
         IDOK},
        {"OK, both pages shown",
         true,
         PSBTN_OK,
         {"Number:KillActive", "Number:Apply", "Number:OK", "Plain:Apply", "Plain:OK"},
         IDOK},
        {"Cancel, both pages shown",
         true,
         PSBTN_CANCEL,
         {"Number:Reset", "Number:Cancel", "Plain:Reset", "Plain:Cancel"},
         IDCANCEL},
    };
    for (const Case& c : cases) {
        g_log.clear();
        LoggingPage first{IDD_PAGE_NUMBER, "Number"};
        LoggingPage second{IDD_PAGE_PLAIN, "Plain"};
        CPropertySheet sheet("Buttons");
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        std::vector<std::string> log;
        bool applyAfter = false;
        const SheetRun run = RunModalSheet(
            "Buttons", [&] { return sheet.DoModal(); },
            [&](HWND hSheet) {
                if (c.showSecondPage) {
                    SelectPage(hSheet, 1);
                    SelectPage(hSheet, 0);
                }
                first.SetModified(true);
                g_log.clear();
                PressButton(hSheet, c.button);
                log = g_log;
                if (c.button == PSBTN_APPLYNOW) {
                    applyAfter = IsApplyEnabled(hSheet);
                    PressButton(hSheet, PSBTN_CANCEL);
                }
            });
        EXPECT_TRUE(run.scriptRan) << c.context;
        EXPECT_EQ(log, c.log) << c.context;
        EXPECT_EQ(run.result, c.button == PSBTN_APPLYNOW ? IDCANCEL : c.result) << c.context;
        if (c.button == PSBTN_APPLYNOW) {
            EXPECT_FALSE(applyAfter) << "the control disables Apply after a successful Apply";
        }
    }
}

TEST_F(PropertySheetTest, RefusedFieldKeepsTheUserOnThePage) {
    CPropertySheet sheet("Checks");
    sheet.AddPage(&number);
    sheet.AddPage(&plain);
    const SheetRun run = RunModalSheet(
        "Checks", [&] { return sheet.DoModal(); },
        [&](HWND hSheet) {
            HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
            HWND hField = GetDlgItem(hPage, IDC_PAGE_NUMBER);
            EXPECT_EQ(WindowText(hField), "5") << "the member was moved into the field";

            SetWindowTextA(hField, "42");
            SelectPage(hSheet, 1);
            PumpWaitingMessages();
            EXPECT_EQ(CurrentPageIndex(hSheet), 0) << "another tab while the field is refused";
            EXPECT_EQ(GetFocus(), hField);

            PressButton(hSheet, PSBTN_OK);
            EXPECT_TRUE(IsWindowVisible(hSheet)) << "OK while the field is refused";
            EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "Number:Apply"), 0);

            SetWindowTextA(hField, "7");
            SelectPage(hSheet, 1);
            EXPECT_EQ(CurrentPageIndex(hSheet), 1);
            SelectPage(hSheet, 0);
            EXPECT_EQ(WindowText(hField), "7") << "the field is filled again on return";
            PressButton(hSheet, PSBTN_OK);
        });
    EXPECT_TRUE(run.scriptRan);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(number.m_number, 7);
    EXPECT_EQ(theApp.m_messages.Texts(),
              (std::vector<std::string>{"Please enter an integer between 1 and 10.",
                                        "Please enter an integer between 1 and 10."}));
}

TEST_F(PropertySheetTest, ClosingTheSheetCancels) {
    CPropertySheet sheet("Closing");
    sheet.AddPage(&plain);
    const SheetRun run = RunModalSheet(
        "Closing", [&] { return sheet.DoModal(); }, [&](HWND hSheet) { CloseSheet(hSheet); });
    EXPECT_TRUE(run.scriptRan);
    EXPECT_EQ(run.result, IDCANCEL);
    // Wine's control cancels once for WM_CLOSE and once more for the dialog's
    // IDCANCEL; the pages see Cancel, never Apply.
    ASSERT_GE(g_log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(g_log.begin(), g_log.begin() + 3),
              (std::vector<std::string>{"Plain:SetActive", "Plain:Reset", "Plain:Cancel"}));
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "Plain:Apply"), 0);
}

} // namespace
