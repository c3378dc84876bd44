#include "app/failure_message.h"

#include "app/resource.h"
#include "win/resource_text.h"

std::wstring FailureMessage(EncodeFailure failure, int32_t framesKept, const std::wstring& folder)
{
    switch (failure) {
    case WriteFailed:
    case EncodeError:
        return std::wstring();
    case DiskFull:
        if (framesKept <= 0)
            return LoadText(IDS_DISK_FULL_AT_START);
        return LoadText(IDS_DISK_FULL) + L"\n" + FormatText(IDS_FRAMES_KEPT, {std::to_wstring(framesKept)});
    case CannotCreateFile:
        return LoadText(IDS_FOLDER_UNWRITABLE) + L"\n" + folder;
    default:
        return LoadText(IDS_RECORDING_FAILED);
    }
}
