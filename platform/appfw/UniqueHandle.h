// One owner template for every kind of system handle: the "no handle" value and the closing
// function are part of the type, so no handle is closed by hand and no early return leaks one.
#pragma once

#include <windows.h>

template <typename T, bool (*Close)(T), T (*Invalid)()>
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
            closed = Close(m_handle);
        m_handle = handle;
        return closed;
    }

private:
    T m_handle;
};

// The "no handle" value and the closer of each kind; a closer is true when the handle was closed.
namespace handle_values {
inline HANDLE InvalidHandle() { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandle() { return nullptr; }
inline HKEY NullKey() { return nullptr; }
inline HMODULE NullModule() { return nullptr; }
inline bool CloseKernelObject(HANDLE h) { return CloseHandle(h) != FALSE; }
inline bool CloseFind(HANDLE h) { return FindClose(h) != FALSE; }
inline bool CloseModule(HMODULE h) { return FreeLibrary(h) != FALSE; }
inline bool CloseKey(HKEY h) { return RegCloseKey(h) == ERROR_SUCCESS; }
inline HGDIOBJ NullGdiObject() { return nullptr; }
inline HDC NullDc() { return nullptr; }
inline bool DeleteGdiObject(HGDIOBJ h) { return DeleteObject(h) != FALSE; }
inline bool DeleteMemoryDc(HDC h) { return DeleteDC(h) != FALSE; }
} // namespace handle_values

// Files: invalid is INVALID_HANDLE_VALUE (what CreateFile returns on failure).
using CFileHandle = CUniqueHandle<HANDLE, handle_values::CloseKernelObject, handle_values::InvalidHandle>;
// Processes, threads, events: invalid is null.
using CKernelHandle = CUniqueHandle<HANDLE, handle_values::CloseKernelObject, handle_values::NullHandle>;
using CFindHandle = CUniqueHandle<HANDLE, handle_values::CloseFind, handle_values::InvalidHandle>;
// The raw key owner under CKey (RegistryKey.h), which is what callers use.
using CRegKey = CUniqueHandle<HKEY, handle_values::CloseKey, handle_values::NullKey>;
using CModuleHandle = CUniqueHandle<HMODULE, handle_values::CloseModule, handle_values::NullModule>;
// Fonts, bitmaps, brushes (not selected into a device context when they go), and memory device
// contexts made by CreateCompatibleDC.
using CGdiObject = CUniqueHandle<HGDIOBJ, handle_values::DeleteGdiObject, handle_values::NullGdiObject>;
using CMemoryDc = CUniqueHandle<HDC, handle_values::DeleteMemoryDc, handle_values::NullDc>;

// The process and thread handles that CreateProcess gives, owned together.
class CProcessInformation {
public:
    CProcessInformation() = default;
    CProcessInformation(const CProcessInformation&) = delete;
    CProcessInformation& operator=(const CProcessInformation&) = delete;
    ~CProcessInformation() { Reset(); }

    // Closes what is owned and gives the structure for CreateProcess to fill; owned from then on.
    PROCESS_INFORMATION* Receive()
    {
        Reset();
        return &m_info;
    }
    HANDLE Process() const { return m_info.hProcess; }
    HANDLE Thread() const { return m_info.hThread; }
    DWORD ProcessId() const { return m_info.dwProcessId; }
    void Reset()
    {
        CKernelHandle process(m_info.hProcess);
        CKernelHandle thread(m_info.hThread);
        m_info = PROCESS_INFORMATION();
    }

private:
    PROCESS_INFORMATION m_info = PROCESS_INFORMATION();
};
