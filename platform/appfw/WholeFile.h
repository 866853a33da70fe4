// A whole file read into memory at once, for what is compared or parsed as one block.
#pragma once

#include <cstddef>
#include <string>

// False when the file cannot be opened or read, or holds more than `largest` bytes; the system's
// error code then says why (ERROR_FILE_TOO_LARGE for the size).
bool ReadWholeFile(const char* path, std::string& bytes, size_t largest = static_cast<size_t>(-1));
