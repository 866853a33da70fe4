// A file mapped into memory is read by ordinary loads: where the disk fails under such a read,
// the system raises an in-page error in the reading code instead of failing a call. Code that
// reads a mapped file runs here, so that such a fault ends that code, not the process.
#pragma once

#include <cstddef>
#include <functional>

// False where this build cannot guard such reads (the 64-bit one): it reads files instead of
// mapping them.
bool CanGuardMappedReads();

// Runs `work`; false when a read of [bytes, bytes + length) faulted, in which case `work` stopped
// there: nothing it made is destroyed (its heap memory is left behind), so whatever must be
// released or removed after a fault is owned outside it. An exception `work` throws comes out of
// here as thrown.
bool RunGuardingMappedReads(const void* bytes, size_t length, const std::function<void()>& work);
