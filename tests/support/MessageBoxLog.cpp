#include "MessageBoxLog.h"

int MessageBoxLog::Show(const char* lpszPrompt, UINT nType) {
    m_shown.push_back({lpszPrompt != nullptr ? lpszPrompt : "", nType});
    return IDOK;
}

std::vector<std::string> MessageBoxLog::Texts() const {
    std::vector<std::string> texts;
    for (const ShownMessage& shown : m_shown)
        texts.push_back(shown.text);
    return texts;
}
