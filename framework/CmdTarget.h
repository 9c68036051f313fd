#pragma once
// Anything that can handle commands: windows, documents, the application.

#include "framework/MessageMap.h"

class CCmdUI;

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;

    // Offers a command (pUpdate null) or its enable-state update (pUpdate
    // set) to this target's map. With probeOnly, only says whether a handler
    // exists. Frames override it to route along view, document, frame, application.
    virtual bool OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly = false);

    // Runs the first entry of the map chain that matches and handles it.
    bool DispatchToMap(Message& message, UINT code, UINT id);

protected:
    static bool Matches(const MessageMapEntry& entry, UINT message, UINT code, UINT id);
};
