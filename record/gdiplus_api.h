#pragma once
// The GDI+ flat functions, from the toolchain's headers. WIN32_LEAN_AND_MEAN leaves out the
// COM declarations GDI+ needs, hence objidl.h first.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace gdip = Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpImage;
