#pragma once

// Starts the capture program's application inside the test program, on the
// test double of the capture window, and ends it after each test.

#include "FakeCapturePlatform.h"
#include "shell/MainFrame.h"
#include "shell/VidrakeApp.h"
#include "support/MessageBoxLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class CMultiDocTemplate;
class CVidrakeView;
class CMDIChildWnd;

// The application with message boxes recorded instead of shown, and its
// document manager, which the program keeps to itself, open to the tests.
class CaptureTestApp : public CVidrakeApp {
public:
    CDocManager* GetDocManager() const { return m_pDocManager.get(); }
    MessageBoxLog m_messages;
    int DoMessageBox(const char* lpszPrompt, UINT nType, UINT) override {
        return m_messages.Show(lpszPrompt, nType);
    }
};

extern CaptureTestApp theTestApp;

// Runs the thread's messages until none is waiting.
void PumpMessages();

class CaptureFixture : public testing::Test {
protected:
    // Starts the application (main window and the first capture window) on
    // the given drivers; lpCmdLine is what the program was started with.
    void Start(std::vector<FakeDriver> drivers, const char* lpCmdLine = "");
    void TearDown() override;

    CMainFrame& MainFrame() { return *DynamicDowncast<CMainFrame>(AfxGetMainWnd()); }
    CMultiDocTemplate& Template();
    CMDIChildWnd* ActiveChild();
    CVidrakeView* ActiveView();
    HMENU OptionsMenu();
    // Enabled state and check mark of a command, asked through the main window.
    struct CommandState {
        bool enabled;
        int check;
    };
    CommandState QueryCommand(UINT nID);
    // The menu item's state after the popup holding it was opened.
    UINT MenuItemStateAfterOpening(HMENU hPopup, UINT nID);
    const std::vector<RecordedMessage>& Recorded() { return m_platform->m_recorder.Messages(); }

    std::unique_ptr<FakeCapturePlatform> m_platform;
};
