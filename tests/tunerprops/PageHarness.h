#pragma once
// The sheet's pages driven as the driver's user drives them: the sheet of a
// mode opened on stored values, a script run against its first page, and
// the signals and message boxes that the pages cause meanwhile.
#include "DriverHarness.h"
#include "support/DialogScript.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

constexpr int kVideoSourceMode = 0;
constexpr int kDisplayMode = 1;
constexpr int kVideoFormatMode = 2;

bool IsChecked(HWND hPage, int nID);
// BM_CLICK: what a click of the mouse does to a shown button.
void Click(HWND hPage, int nID);
// The notification a control sends its page (for controls the template
// hides, which no click reaches).
void Notify(HWND hPage, int nID, WORD wCode);
// The checked buttons among ids, in their order.
std::vector<int> Checked(HWND hPage, std::initializer_list<int> ids);
// Sets one value in the settings key, behind the pages' back.
void SetStoredValue(const char* name, DWORD value);

class PageTest : public DriverTest {
protected:
    using Script = std::function<void(HWND hSheet, HWND hPage)>;

    void SetUp() override;
    void TearDown() override;
    // Opens the sheet of the mode on the stored values and runs the script on
    // its first page.
    SheetRun Run(int nMode, const KeyContents& stored, const Script& script);
    // The same on what the registry holds now (nothing: the store creates the
    // key); afterCreate runs between CreateConfigDialog and DoConfigDialog.
    SheetRun RunOnRegistry(int nMode, const Script& script,
                           const std::function<void()>& afterCreate = {});
    // The signals the action causes.
    static int SignalsOf(const std::function<void()>& action);
    // The texts of the message boxes answered (with OK) since the last call.
    std::vector<std::string> TakeMessageBoxes();

    HWND m_parent = nullptr;
    DriverSettingsRecord* m_record = nullptr; // of the running sheet
    int m_openSignals = 0;                    // signals between CreateConfigDialog and the script

private:
    // The pages' message boxes, answered with OK; their texts kept for the test.
    MessageBoxLog m_messageBoxes;
    std::optional<MessageBoxWatch> m_watch;
};
