#include "app/size_limit.h"

#include "app/file_size_text.h"
#include "app/resource.h"
#include "win/resource_text.h"

int64_t SizeLimitBytes(int32_t megabytes)
{
    return megabytes > 0 ? static_cast<int64_t>(megabytes) * 1024 * 1024 : 0;
}

std::wstring SizeAgainstLimitText(int64_t bytes, int32_t megabytes)
{
    if (megabytes <= 0)
        return FileSizeText(bytes);
    return FormatText(IDS_SIZE_OF_LIMIT, {FileSizeText(bytes), std::to_wstring(megabytes)});
}

bool NearSizeLimit(int64_t bytes, int32_t megabytes)
{
    return megabytes > 0 && bytes * 10 >= SizeLimitBytes(megabytes) * 9;
}
