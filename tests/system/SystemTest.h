#pragma once
// A test of the whole system: the shipped program on the software capture
// device with the card's configuration library, started fresh for each test,
// with the device settings of the registry put back afterwards.

#include <gtest/gtest.h>

#include "CaptureProgram.h"
#include "Screen.h"
#include "support/DialogScript.h"
#include "support/SettingsKeyGuard.h"

class SystemTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_program.Start()) << "capture.exe did not come up"; }
    void TearDown() override { EXPECT_EQ(m_program.Close(), 0) << "capture.exe's exit code"; }

    // Keeps a screenshot of the window and checks that it shows something.
    static void Screenshot(HWND hWnd, const char* name) {
        EXPECT_GT(SaveScreenshot(hWnd, name), 8) << "the screenshot '" << name << "' is blank";
    }

    SettingsKeyGuard m_settings; // taken before the program starts, put back after it ends
    CaptureProgram m_program;
};
