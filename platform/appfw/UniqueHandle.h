// One owner template for every kind of system handle: the "no handle" value and the closing
// function are part of the type, so no handle is closed by hand and no early return leaks one.
#pragma once

#include <windows.h>

template <typename T, typename CloseResult, CloseResult(WINAPI* Close)(T), T (*Invalid)()>
class CUniqueHandle {
public:
    CUniqueHandle() : m_handle(Invalid()) {}
    explicit CUniqueHandle(T handle) : m_handle(handle) {}
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        Reset(other.Detach());
        return *this;
    }
    ~CUniqueHandle() { Reset(); }

    T Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Closes what is owned and returns the slot to fill (for functions with out-parameters).
    T* Receive()
    {
        Reset();
        return &m_handle;
    }
    T Detach()
    {
        T handle = m_handle;
        m_handle = Invalid();
        return handle;
    }
    // Closes now; true when there was nothing to close or closing succeeded.
    bool Reset(T handle = Invalid())
    {
        bool closed = true;
        if (m_handle != Invalid())
            closed = Close(m_handle) == CloseResult();
        m_handle = handle;
        return closed;
    }

private:
    T m_handle;
};

namespace handle_values {
inline HANDLE InvalidHandle() { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandle() { return nullptr; }
inline HKEY NullKey() { return nullptr; }
inline HMODULE NullModule() { return nullptr; }
inline BOOL WINAPI CloseFileHandle(HANDLE h) { return !CloseHandle(h); }
inline BOOL WINAPI CloseFind(HANDLE h) { return !FindClose(h); }
inline BOOL WINAPI CloseModule(HMODULE h) { return !FreeLibrary(h); }
} // namespace handle_values

// Files: invalid is INVALID_HANDLE_VALUE (what CreateFile returns on failure).
using CFileHandle = CUniqueHandle<HANDLE, BOOL, handle_values::CloseFileHandle, handle_values::InvalidHandle>;
// Processes, threads, events: invalid is null.
using CKernelHandle = CUniqueHandle<HANDLE, BOOL, handle_values::CloseFileHandle, handle_values::NullHandle>;
using CFindHandle = CUniqueHandle<HANDLE, BOOL, handle_values::CloseFind, handle_values::InvalidHandle>;
using CRegKey = CUniqueHandle<HKEY, LONG, RegCloseKey, handle_values::NullKey>;
using CModuleHandle = CUniqueHandle<HMODULE, BOOL, handle_values::CloseModule, handle_values::NullModule>;
