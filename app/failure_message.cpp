#include "app/failure_message.h"

std::wstring FailureMessage(EncodeFailure failure, int32_t framesKept, const std::wstring& folder)
{
    switch (failure) {
    case WriteFailed:
    case EncodeError:
        return std::wstring();
    case DiskFull:
        if (framesKept <= 0)
            return L"磁盘已满，录制未能开始!";
        return L"磁盘已满，录制已停止!\n已保存前" + std::to_wstring(framesKept) + L"帧。";
    case CannotCreateFile:
        return L"无法写入文件夹，录制未能开始!\n" + folder;
    default:
        return L"录制失败!";
    }
}
