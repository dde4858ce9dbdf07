#include "framework/CmdUI.h"

#include "framework/CmdTarget.h"
#include "framework/Wnd.h"

void CCmdUI::Enable(bool bOn) {
    if (m_hMenu != nullptr) {
        EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
    } else if (m_pOther != nullptr) {
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = true;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_hMenu != nullptr)
        CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetText(const char* lpszText) {
    if (m_hMenu == nullptr || lpszText == nullptr)
        return;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(lpszText);
    SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
}

bool CCmdUI::DoUpdate(CCmdTarget* pTarget, bool bDisableIfNoHandler) {
    if (m_nID == 0 || pTarget == nullptr)
        return true;
    m_bEnableChanged = false;
    CommandMessage update{m_nID, CN_UPDATE_COMMAND_UI, this};
    const bool handled = pTarget->OnCmdMsg(update);
    if (!handled && bDisableIfNoHandler && !m_bEnableChanged) {
        CommandMessage probe{m_nID, CN_COMMAND, nullptr, true};
        Enable(pTarget->OnCmdMsg(probe));
    }
    return handled;
}

void CTestCmdUI::Enable(bool bOn) {
    m_bEnabled = bOn;
    m_bEnableChanged = true;
}

void CTestCmdUI::SetCheck(int nCheck) {
    m_nCheck = nCheck;
}
