#pragma once
// GDI+ needs the COM headers that WIN32_LEAN_AND_MEAN leaves out (library internal).
#include <windows.h>
#include <objidl.h>
#include <wtypes.h>
#include <gdiplus.h>
