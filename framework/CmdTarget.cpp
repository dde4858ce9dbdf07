#include "framework/CmdTarget.h"

#include "framework/CmdUI.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const MessageMap* CCmdTarget::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {MessageMapEntry{}};
    static constexpr MessageMap messageMap{nullptr, entries};
    return &messageMap;
}

const MessageMap* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindEntry(EntryKind kind, int code, UINT id) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->kind != EntryKind::End; ++e) {
            if (e->Matches(kind, id) && (kind == EntryKind::Message || e->code == code))
                return e;
        }
    }
    return nullptr;
}

bool CCmdTarget::DispatchCommand(const CommandMessage& command) {
    const bool update = command.code == CN_UPDATE_COMMAND_UI;
    const MessageMapEntry* entry =
        FindEntry(update ? EntryKind::UpdateCommand : EntryKind::Command, command.code, command.id);
    if (entry == nullptr)
        return false;
    if (command.probe)
        return true;
    MessageInvocation invocation;
    invocation.id = command.id;
    invocation.cmdUI = command.cmdUI;
    if (update)
        command.cmdUI->m_bContinueRouting = false;
    entry->thunk(*this, invocation);
    // An update handler may pass the request on to the next target.
    return !(update && command.cmdUI->m_bContinueRouting);
}

bool CCmdTarget::OnCmdMsg(const CommandMessage& command) {
    return DispatchCommand(command);
}
