#include "PageHarness.h"

bool IsChecked(HWND hPage, int nID) {
    return SendDlgItemMessageA(hPage, nID, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND hPage, int nID) {
    SendDlgItemMessageA(hPage, nID, BM_CLICK, 0, 0);
}

void Notify(HWND hPage, int nID, WORD wCode) {
    SendMessageA(hPage, WM_COMMAND, MAKEWPARAM(nID, wCode),
                 reinterpret_cast<LPARAM>(GetDlgItem(hPage, nID)));
}

std::vector<int> Checked(HWND hPage, std::initializer_list<int> ids) {
    std::vector<int> checked;
    for (int id : ids)
        if (IsChecked(hPage, id))
            checked.push_back(id);
    return checked;
}

void SetStoredValue(const char* name, DWORD value) {
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_SET_VALUE, &hKey), ERROR_SUCCESS);
    RegSetValueExA(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(hKey);
}

void PageTest::SetUp() {
    DriverTest::SetUp();
    m_parent = CreateWindowExA(0, "Static", "driver", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
    m_messageBoxes.clear();
    m_watch.emplace(m_messageBoxes, "Video Configuration");
}

void PageTest::TearDown() {
    m_watch.reset();
    EXPECT_EQ(TakeMessageBoxes(), std::vector<std::string>{}) << "message boxes nobody expected";
    DestroyWindow(m_parent);
    DriverTest::TearDown();
}

SheetRun PageTest::Run(int nMode, const KeyContents& stored, const Script& script) {
    WriteKey(stored);
    return RunOnRegistry(nMode, script);
}

SheetRun PageTest::RunOnRegistry(int nMode, const Script& script,
                                 const std::function<void()>& afterCreate) {
    m_record = CreateConfigDialog(nMode, m_parent);
    EXPECT_NE(m_record, nullptr);
    const int signalsBefore = EventSetCount();
    if (afterCreate)
        afterCreate();
    const SheetRun run = RunModalSheet(
        "Video Configuration", [&] { return INT_PTR(DoConfigDialog()); },
        [&](HWND hSheet) {
            m_openSignals = EventSetCount() - signalsBefore;
            script(hSheet, PropSheet_GetCurrentPageHwnd(hSheet));
        });
    DestroyConfigDialog();
    m_record = nullptr;
    return run;
}

int PageTest::SignalsOf(const std::function<void()>& action) {
    const int before = EventSetCount();
    action();
    return EventSetCount() - before;
}

std::vector<std::string> PageTest::TakeMessageBoxes() {
    std::vector<std::string> taken = m_messageBoxes.Texts();
    m_messageBoxes.clear();
    return taken;
}
