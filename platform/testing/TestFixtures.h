// Fixtures for tests run under Wine: scratch folders and registry keys that a case makes and
// removes again, so cases do not depend on each other or on their order.
#pragma once

#include "CString.h"
#include "RegistryKey.h"
#include "UniqueHandle.h"

#include <functional>
#include <random>
#include <string>
#include <vector>
#include <windows.h>

// A fresh folder under the temporary directory, made the current directory while it lives
// (the library reads "vpsetup.ini" from there), and deleted with its content afterwards.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const CString& Path() const { return m_path; }
    // The full path of a file in the folder.
    CString operator/(const char* name) const;

private:
    CString m_path;
    CString m_previous;
};

// Cases made from seeds run alone when TEST_SEED names one. SelectedSeed is 0 when it names none;
// SeedSelected is false for every other seed when it does.
unsigned SelectedSeed();
bool SeedSelected(unsigned seed);

// The folder of the running test program, with its final backslash.
CString ProgramFolder();

void WriteBytes(const CString& path, const std::string& bytes);
std::string ReadBytes(const CString& path);
bool FileExists(const CString& path);
FILETIME LastWriteTime(const CString& path);
// Whether the file's last write time is the same after `run` as before it (a moment apart, so that
// a rewrite cannot fall within the clock's step).
bool LeftUntouched(const CString& path, const std::function<void()>& run);
// The lines of file content as text mode reads them: LF ends a line and takes a CR right before
// it along, Ctrl-Z ends the file, a last line without LF is a line unless it is empty.
std::vector<std::string> TextModeLines(const std::string& bytes);
// The place among TextModeLines(before) of the line an end mark cuts short (the last), or -1.
int CutLineIndex(const std::vector<std::string>& lines, const std::string& before);
// The lines that do not mention the pattern, as a removal keeps them; cutLineAt follows the cut line.
std::vector<std::string> WithoutLinesMentioning(const std::vector<std::string>& lines, const std::string& upperPattern,
                                                int& cutLineAt);
// What a rewrite of the file `before` writes for these lines: each with CR LF (but the line an end
// mark cut short, now at cutLineAt, while it is the last), then the mark and every byte after it.
std::string RewrittenBytes(const std::vector<std::string>& lines, const std::string& before, int cutLineAt);
// A file's owner, group and access list as the system reads them, with its attribute bits.
std::string ProtectionOf(const CString& path);
// Lets only SYSTEM and the file's owner in, and makes the file hidden and system.
void LockDown(const CString& path);
// Lets everyone do everything with the file or folder, as NT 4.0 lets users write much of the disk.
void OpenToEveryone(const CString& path);
void DeleteTree(const CString& path);
// Lines made by `line`, each ended by CR LF or, one time in `oddEndOneIn`, by LF, CR, CR CR LF,
// Ctrl-Z or CR LF, until the text holds at least `size` bytes: files of any shape for the tests
// that read or rewrite them.
std::string RandomLines(std::mt19937& random, size_t size, unsigned oddEndOneIn, const std::function<std::string()>& line);

// A registry key under HKEY_LOCAL_MACHINE, deleted with its subkeys before and after use.
class CScratchRegistryKey {
public:
    explicit CScratchRegistryKey(const char* path);
    ~CScratchRegistryKey();
    HKEY Key() const { return m_key; }
    void SetString(const char* name, const std::string& data, DWORD type = REG_SZ);
    void SetDword(const char* name, DWORD value);

private:
    CString m_path;
    CKey m_key;
};

void DeleteRegistryTree(HKEY root, const char* path);
// A value under HKEY_LOCAL_MACHINE stored byte for byte (SetExactValue), its key made if missing.
void SetRegistryValue(const char* keyPath, const char* name, const std::string& bytes, DWORD type = REG_SZ);
void MakeRegistryKey(const char* keyPath);
bool RegistryKeyExists(const char* keyPath);

// The keys of the web server products that discovery reads (IIS's service type included): absent
// before and after each case that makes them, with the stores configuring runs remember.
const int kServerProductKeyCount = 5;
extern const char* const kServerProductKeys[kServerProductKeyCount];
void DeleteServerProductKeys();
struct CCleanServerProductKeys {
    CCleanServerProductKeys() { DeleteServerProductKeys(); }
    ~CCleanServerProductKeys() { DeleteServerProductKeys(); }
};

// The text followed by the zero that ends a registry string.
std::string Sz(const std::string& text);
std::string UpperAscii(std::string text);
CString ComputerName();

// Starts the program with the command line (its first word the program's name) in the folder
// (the test's own when empty); standard output and error go to `output` when it is given.
void StartProgram(CProcessInformation& process, const CString& program, const CString& commandLine,
                  const CString& folder = CString(), HANDLE output = nullptr);
bool TryStartProgram(CProcessInformation& process, const CString& program, const CString& commandLine,
                     const CString& folder = CString(), HANDLE output = nullptr);
// The exit code, once the process has ended within the limit.
DWORD WaitForExit(const CProcessInformation& process, DWORD limitMs = 60000);

// A registry value as it is stored: its type and exactly its bytes.
struct RawRegistryValue {
    DWORD type;
    std::string bytes;
    bool operator==(const RawRegistryValue& other) const { return type == other.type && bytes == other.bytes; }
};

struct NamedRegistryValue {
    std::string name;
    RawRegistryValue value;
    bool operator==(const NamedRegistryValue& other) const { return name == other.name && value == other.value; }
};

// Every value of the key under HKEY_LOCAL_MACHINE in the order the registry lists them, read
// with room for the largest.
std::vector<NamedRegistryValue> ListRegistryValues(const char* path);

// Stores exactly these bytes. The registry adds a zero to a string whose given length leaves one
// out when the byte after it happens to be zero, so a string meant to lack its zero must not be
// followed by one.
void SetExactValue(HKEY key, const char* name, DWORD type, const std::string& bytes);
