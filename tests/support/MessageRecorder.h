#pragma once

// Records the messages a window receives and compares them with an
// expected sequence, printing both by message name on a mismatch.

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct RecordedMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What to compare of an expected message.
enum MessageMatch : unsigned {
    kMatchMessage = 0,
    kMatchWParam = 1,
    kMatchLParam = 2,
    kMatchBoth = kMatchWParam | kMatchLParam,
    kOptional = 4, // may be missing
};

struct ExpectedMessage {
    UINT message;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    unsigned match = kMatchBoth;
};

class MessageRecorder {
public:
    void Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        m_messages.push_back({hWnd, message, wParam, lParam});
    }
    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    std::vector<RecordedMessage> m_messages;
};

// The message's name (WM_..., WM_CAP_...), or its number in hex.
std::string MessageName(UINT message);

// Compares the whole sequence; the context line names the case.
testing::AssertionResult MatchSequence(const std::vector<RecordedMessage>& actual,
                                       const std::vector<ExpectedMessage>& expected,
                                       const std::string& context);
