// Reading a string value into a fixed buffer, as the product's fixed buffers do: the buffer size
// is a limit on what is read, never a way past it.
#pragma once

#include "CString.h"

#include <windows.h>

// The value's text up to its first zero. Empty when the value is missing, is not a string, or
// does not fit the buffer together with a terminating zero.
CString QueryStringValue(HKEY key, const char* name, DWORD bufferBytes);
