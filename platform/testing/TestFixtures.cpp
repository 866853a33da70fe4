#include "TestFixtures.h"

#include "RegistryKey.h"
#include "WholeFile.h"

#include <catch.hpp>
#include <sddl.h>

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
    CFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    REQUIRE(file);
    DWORD done = 0;
    REQUIRE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr));
    REQUIRE(done == bytes.size());
}

std::string ReadBytes(const CString& path)
{
    std::string bytes;
    INFO("reading " << path.c_str());
    REQUIRE(ReadWholeFile(path, bytes));
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

int CutLineIndex(const std::vector<std::string>& lines, const std::string& before)
{
    const size_t mark = before.find('\x1A'), lineStart = before.rfind('\n', mark) + 1; // no LF: 0
    return mark != std::string::npos && lineStart < mark ? static_cast<int>(lines.size()) - 1 : -1;
}

std::vector<std::string> WithoutLinesMentioning(const std::vector<std::string>& lines, const std::string& upperPattern,
                                                int& cutLineAt)
{
    std::vector<std::string> kept;
    const int cut = cutLineAt;
    cutLineAt = -1;
    for (size_t at = 0; at < lines.size(); ++at) {
        if (UpperAscii(lines[at]).find(upperPattern) == std::string::npos)
            cutLineAt = static_cast<int>(at) == cut ? static_cast<int>(kept.size()) : cutLineAt, kept.push_back(lines[at]);
    }
    return kept;
}

std::string RewrittenBytes(const std::vector<std::string>& lines, const std::string& before, int cutLineAt)
{
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    const size_t mark = before.find('\x1A');
    if (mark == std::string::npos)
        return bytes;
    if (cutLineAt >= 0 && cutLineAt == static_cast<int>(lines.size()) - 1)
        bytes.resize(bytes.size() - 2);
    return bytes + before.substr(mark);
}

std::string ProtectionOf(const CString& path)
{
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityA(path, what, nullptr, 0, &size);
    std::vector<char> descriptor(size + 1);
    char* text = nullptr;
    REQUIRE((GetFileSecurityA(path, what, descriptor.data(), size, &size) &&
             ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.data(), SDDL_REVISION_1, what, &text, nullptr)));
    std::string protection = text;
    LocalFree(text);
    return protection + " attributes " + std::to_string(GetFileAttributesA(path));
}

void LockDown(const CString& path)
{
    PSECURITY_DESCRIPTOR only = nullptr;
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;OW)(A;;FA;;;SY)", SDDL_REVISION_1, &only, nullptr));
    bool set = SetFileSecurityA(path, DACL_SECURITY_INFORMATION, only) &&
               SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    LocalFree(only);
    REQUIRE(set);
}

void OpenToEveryone(const CString& path)
{
    PSECURITY_DESCRIPTOR open = nullptr;
    REQUIRE((ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;WD)", SDDL_REVISION_1, &open, nullptr) &&
             SetFileSecurityA(path, DACL_SECURITY_INFORMATION, open)));
    LocalFree(open);
}

bool LeftUntouched(const CString& path, const std::function<void()>& run)
{
    FILETIME before = LastWriteTime(path);
    Sleep(20);
    run();
    FILETIME after = LastWriteTime(path);
    return CompareFileTime(&before, &after) == 0;
}

std::string RandomLines(std::mt19937& random, size_t size, unsigned oddEndOneIn, const std::function<std::string()>& line)
{
    static const char* const kOddEnds[] = {"\n", "\r", "\r\r\n", "\x1A", "\r\n"};
    std::string bytes;
    while (bytes.size() < size) {
        bytes += line();
        bytes += random() % oddEndOneIn == 0 ? kOddEnds[random() % 5] : "\r\n";
    }
    return bytes;
}

bool FileExists(const CString& path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

FILETIME LastWriteTime(const CString& path)
{
    FILETIME written = {};
    CFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    REQUIRE(file);
    REQUIRE(GetFileTime(file.Get(), nullptr, nullptr, &written));
    return written;
}

void DeleteTree(const CString& path)
{
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(path + "\\*", &found));
    if (find) {
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
        } while (FindNextFileA(find.Get(), &found));
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path);
}

void DeleteRegistryTree(HKEY root, const char* path)
{
    {
        CKey key;
        char name[512];
        DWORD length = sizeof name;
        CString previous;
        // A subkey that stays (its access list refuses us) ends the walk instead of looping.
        while (key.Open(root, path, KEY_ALL_ACCESS) == ERROR_SUCCESS && key.EnumKey(0, name, length) == ERROR_SUCCESS &&
               previous != name) {
            key.Close();
            previous = name;
            DeleteRegistryTree(root, CString(path) + "\\" + name);
            length = sizeof name;
        }
    }
    RegDeleteKeyA(root, path);
}

CScratchRegistryKey::CScratchRegistryKey(const char* path) : m_path(path)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, path);
    REQUIRE(m_key.Create(HKEY_LOCAL_MACHINE, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS) == ERROR_SUCCESS);
}

CScratchRegistryKey::~CScratchRegistryKey()
{
    m_key.Close();
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_path);
}

void CScratchRegistryKey::SetString(const char* name, const std::string& data, DWORD type)
{
    SetExactValue(m_key, name, type, data);
}

void CScratchRegistryKey::SetDword(const char* name, DWORD value)
{
    REQUIRE(m_key.SetValue(name, value) == ERROR_SUCCESS);
}

void SetExactValue(HKEY key, const char* name, DWORD type, const std::string& bytes)
{
    std::string guarded = bytes + "x";
    REQUIRE(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS);
}

void SetRegistryValue(const char* keyPath, const char* name, const std::string& bytes, DWORD type)
{
    CKey key;
    REQUIRE(key.Create(HKEY_LOCAL_MACHINE, keyPath, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS) == ERROR_SUCCESS);
    SetExactValue(key, name, type, bytes);
}

void MakeRegistryKey(const char* keyPath)
{
    CKey key;
    REQUIRE(key.Create(HKEY_LOCAL_MACHINE, keyPath, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS) == ERROR_SUCCESS);
}

bool RegistryKeyExists(const char* keyPath)
{
    CKey key;
    return key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) == ERROR_SUCCESS;
}

const char* const kServerProductKeys[kServerProductKeyCount] = {
    "SOFTWARE\\Pellan",
    "SOFTWARE\\Corvane",
    "SOFTWARE\\Netscape",
    "SOFTWARE\\Microsoft\\Inetsrv",
    "SYSTEM\\CurrentControlSet\\Control\\ServiceProvider\\ServiceTypes\\Microsoft Internet Information Server",
};

void DeleteServerProductKeys()
{
    for (const char* key : kServerProductKeys)
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
    // What configuring runs remember of the servers for the uninstall goes with them.
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane Linkwell Server Setup");
}

std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}

CString ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    REQUIRE(GetComputerNameA(name, &size));
    return CString(name, static_cast<int>(size));
}

bool TryStartProgram(CProcessInformation& process, const CString& program, const CString& commandLine,
                     const CString& folder, HANDLE output)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
    }
    CString line(commandLine);
    return CreateProcessA(program, line.GetBuffer(line.GetLength()), nullptr, nullptr, output != nullptr, 0, nullptr,
                          folder.IsEmpty() ? nullptr : folder.c_str(), &startup, process.Receive()) != FALSE;
}

void StartProgram(CProcessInformation& process, const CString& program, const CString& commandLine,
                  const CString& folder, HANDLE output)
{
    INFO("starting " << program.c_str());
    REQUIRE(TryStartProgram(process, program, commandLine, folder, output));
}

DWORD WaitForExit(const CProcessInformation& process, DWORD limitMs)
{
    REQUIRE(WaitForSingleObject(process.Process(), limitMs) == WAIT_OBJECT_0);
    DWORD code = 0;
    REQUIRE(GetExitCodeProcess(process.Process(), &code));
    return code;
}

std::vector<NamedRegistryValue> ListRegistryValues(const char* path)
{
    std::vector<NamedRegistryValue> values;
    CKey key;
    REQUIRE(key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS);
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) != ERROR_SUCCESS)
            break; // the type is wanted here, which the product's enumeration never asks for
        values.push_back({std::string(name.data(), nameLength),
                          {type, std::string(reinterpret_cast<const char*>(data.data()), dataLength)}});
    }
    return values;
}
