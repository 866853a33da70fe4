#include "TestFixtures.h"

#include <catch.hpp>

namespace {
int g_scratchCounter = 0;
}

CScratchDir::CScratchDir()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    m_previous = current;
    for (;;) {
        char name[MAX_PATH + 64];
        wsprintfA(name, "%slwtest-%lu-%d", temp, GetCurrentProcessId(), ++g_scratchCounter);
        if (CreateDirectoryA(name, nullptr)) {
            m_path = name;
            break;
        }
        REQUIRE(GetLastError() == ERROR_ALREADY_EXISTS);
    }
    SetCurrentDirectoryA(m_path);
}

CScratchDir::~CScratchDir()
{
    SetCurrentDirectoryA(m_previous);
    DeleteTree(m_path);
}

CString CScratchDir::operator/(const char* name) const
{
    return m_path + "\\" + name;
}

unsigned SelectedSeed()
{
    char wanted[32];
    DWORD length = GetEnvironmentVariableA("TEST_SEED", wanted, sizeof wanted);
    return length == 0 || length >= sizeof wanted ? 0 : strtoul(wanted, nullptr, 10);
}

bool SeedSelected(unsigned seed)
{
    return SelectedSeed() == 0 || SelectedSeed() == seed;
}

CString ProgramFolder()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CString path(self);
    int cut = path.GetLength();
    while (cut > 0 && path[cut - 1] != '\\')
        --cut;
    return path.Left(cut);
}

void WriteBytes(const CString& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    DWORD done = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    REQUIRE(ok);
    REQUIRE(done == bytes.size());
}

std::string ReadBytes(const CString& path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::string> TextModeLines(const std::string& bytes)
{
    std::string text = bytes.substr(0, bytes.find('\x1A'));
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t lf = text.find('\n', at);
        if (lf == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        std::string line = text.substr(at, lf - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        at = lf + 1;
    }
    return lines;
}

bool FileExists(const CString& path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void DeleteTree(const CString& path)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path + "\\*", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            CString name(found.cFileName);
            if (name == "." || name == "..")
                continue;
            CString child = path + "\\" + name;
            SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                DeleteFileA(child);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path);
}

void DeleteRegistryTree(HKEY root, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char name[512];
        DWORD length = sizeof name;
        while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            CString child = CString(path) + "\\" + name;
            DeleteRegistryTree(root, child);
            length = sizeof name;
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(root, path);
}

CScratchRegistryKey::CScratchRegistryKey(const char* path) : m_path(path), m_key(nullptr)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, path);
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr) ==
            ERROR_SUCCESS);
}

CScratchRegistryKey::~CScratchRegistryKey()
{
    RegCloseKey(m_key);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_path);
}

void CScratchRegistryKey::SetString(const char* name, const std::string& data, DWORD type)
{
    SetExactValue(m_key, name, type, data);
}

void CScratchRegistryKey::SetDword(const char* name, DWORD value)
{
    REQUIRE(RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
            ERROR_SUCCESS);
}

void SetExactValue(HKEY key, const char* name, DWORD type, const std::string& bytes)
{
    std::string guarded = bytes + "x";
    REQUIRE(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS);
}

std::vector<NamedRegistryValue> ListRegistryValues(const char* path)
{
    std::vector<NamedRegistryValue> values;
    HKEY key;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS);
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) != ERROR_SUCCESS)
            break;
        values.push_back({std::string(name.data(), nameLength),
                          {type, std::string(reinterpret_cast<const char*>(data.data()), dataLength)}});
    }
    RegCloseKey(key);
    return values;
}
