#include "framework/CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {{0, 0, 0, 0, nullptr}};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CCmdTarget::Matches(const MessageMapEntry& entry, UINT message, UINT code, UINT id)
{
    return entry.message == message && entry.code == code && id >= entry.idFirst && id <= entry.idLast;
}

bool CCmdTarget::DispatchToMap(Message& message, UINT code, UINT id)
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->thunk; ++e) {
            if (Matches(*e, message.message, code, id) && e->thunk(this, message))
                return true;
        }
    }
    return false;
}

bool CCmdTarget::OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly)
{
    const UINT kind = pUpdate ? kEntryUpdateCommand : kEntryCommand;
    if (probeOnly) {
        for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr)
            for (const MessageMapEntry* e = map->entries; e->thunk; ++e)
                if (Matches(*e, kind, 0, id))
                    return true;
        return false;
    }
    Message message = {kind, WPARAM(id), reinterpret_cast<LPARAM>(pUpdate), 0};
    return DispatchToMap(message, 0, id);
}
