#pragma once

// The message boxes a test program's application would have shown, recorded
// instead: every box the framework shows goes through the application's
// DoMessageBox, which hands it to the log. Use:
//
//   class CMyTestApp : public CWinApp { // or the program's own application class
//   public:
//       MessageBoxLog m_messages;
//       int DoMessageBox(const char* lpszPrompt, UINT nType, UINT) override {
//           return m_messages.Show(lpszPrompt, nType);
//       }
//   };
//
// Tests read theApp.m_messages like a list of ShownMessage: empty(), size(),
// [i].text, [i].type, front(), a range-for; clear() between cases; Texts()
// for the texts alone.

#include <windows.h>

#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    UINT type; // the MB_ flags asked for
    bool operator==(const ShownMessage&) const = default;
};

class MessageBoxLog {
public:
    // Records the box and answers IDOK, as the user of a plain box can only.
    int Show(const char* lpszPrompt, UINT nType);

    bool empty() const { return m_shown.empty(); }
    size_t size() const { return m_shown.size(); }
    const ShownMessage& operator[](size_t i) const { return m_shown[i]; }
    const ShownMessage& front() const { return m_shown.front(); }
    auto begin() const { return m_shown.begin(); }
    auto end() const { return m_shown.end(); }
    void clear() { m_shown.clear(); }
    const std::vector<ShownMessage>& Shown() const { return m_shown; }
    std::vector<std::string> Texts() const;

private:
    std::vector<ShownMessage> m_shown;
};
