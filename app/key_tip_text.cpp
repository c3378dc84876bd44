#include "app/key_tip_text.h"

#include "app/resource.h"
#include "win/resource_text.h"

std::wstring CommandName(int command)
{
    static const UINT names[kHotkeyCount] = {IDS_COMMAND_SELECT, IDS_COMMAND_RECORD, IDS_COMMAND_STOP};
    return command >= 0 && command < kHotkeyCount ? LoadText(names[command]) : std::wstring();
}

std::wstring KeyTipText(const std::wstring& tip, const CGlobalHotkeys& keys, HotkeyCommand command)
{
    const std::wstring key = HotkeyName(keys.Key(command));
    if (key.empty())
        return tip;
    const int owner = keys.SharedWith(command);
    if (owner >= 0)
        return FormatText(IDS_TIP_KEY_SHARED, {tip, key, CommandName(owner)});
    if (keys.IsHeldElsewhere(command))
        return FormatText(IDS_TIP_KEY_ELSEWHERE, {tip, key});
    return FormatText(IDS_TIP_KEY, {tip, key});
}
