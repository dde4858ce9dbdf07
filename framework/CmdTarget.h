#pragma once

#include "framework/MessageMap.h"
#include "framework/Object.h"

// A command on its way through the routing chain.
struct CommandMessage {
    UINT id = 0;
    int code = CN_COMMAND;   // CN_COMMAND, CN_UPDATE_COMMAND_UI or a control's notification code
    CCmdUI* cmdUI = nullptr; // CN_UPDATE_COMMAND_UI: the state being asked for
    bool probe = false;      // only ask whether some target has a handler
};

// Base of every class that handles messages or commands through a message map.
class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Routes a command to this target and, in derived classes, on along the
    // chain (view, document, frame, application); true when some handler took it.
    virtual bool OnCmdMsg(const CommandMessage& command);

protected:
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;

    // The first entry of this object's map chain of the given kind and code
    // for the id, or null.
    const MessageMapEntry* FindEntry(EntryKind kind, int code, UINT id) const;
    // Handles the command with this object's own map only.
    bool DispatchCommand(const CommandMessage& command);
};
