#include "app/failure_message.h"

#include "app/resource.h"
#include "win/resource_text.h"

namespace {

std::wstring EncodeFailureText(EncodeFailure failure, int32_t framesKept, const std::wstring& folder)
{
    switch (failure) {
    case NoFailure:
        return std::wstring();
    case WriteFailed:
    case EncodeError:
        return LoadText(IDS_ENCODE_ERROR);
    case DiskFull:
        if (framesKept <= 0)
            return LoadText(IDS_DISK_FULL_AT_START);
        return LoadText(IDS_DISK_FULL) + L"\n" + FormatText(IDS_FRAMES_KEPT, {std::to_wstring(framesKept)});
    case CannotCreateFile:
        return LoadText(IDS_FOLDER_UNWRITABLE) + L"\n" + folder;
    case EmptyOutput:
        return LoadText(IDS_RECORDING_FAILED);
    }
    return LoadText(IDS_RECORDING_FAILED);
}

}  // namespace

std::wstring FailureMessage(const RecordingOutcome& outcome, const std::wstring& folder)
{
    if (outcome.end != RecordingOutcome::End::Failed)
        return std::wstring();
    return EncodeFailureText(outcome.failure, outcome.counts.encoded, folder);
}

std::wstring RefusalMessage(const RecordingStart& start, const std::wstring& folder)
{
    switch (start.result) {
    case RecordingStart::Result::Started:
        return std::wstring();
    case RecordingStart::Result::EncoderRefused:
        return EncodeFailureText(start.failure, 0, folder);
    case RecordingStart::Result::AlreadyStarted:
    case RecordingStart::Result::NothingToCapture:
        return LoadText(IDS_RECORDING_FAILED);
    }
    return LoadText(IDS_RECORDING_FAILED);
}
