// protoinst.exe against our Network control panel: the helper runs as a program, opens
// "control ncpa.cpl" in the prefix, and the panel writes down what it was told.
#include "DialogWatch.h"
#include "DiskPath.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <commctrl.h>

namespace {

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

// The panel in the system folder, and the helper told it runs on Windows NT 4.0.
void PrepareMachine()
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    CString panel = CString(system) + "\\ncpa.cpl";
    CString built = ProgramFolder() + "ncpa\\ncpa.cpl";
    // A control program of an earlier case may still hold the panel for a moment.
    bool copied = false;
    for (int attempt = 0; attempt < 50 && !copied; ++attempt) {
        copied = CopyFileA(built, panel, FALSE) || ReadBytes(built) == ReadBytes(panel);
        if (!copied)
            Sleep(200);
    }
    REQUIRE(copied);
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\protoinst.exe", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt40"), 5);
    RegCloseKey(key);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
}

struct Run {
    DWORD exitCode = 0xFFFFFFFF;
    int progressAtEnd = -1;
    std::string record;
};

Run RunHelper(const CScratchDir& dir, const char* arguments, const char* omit = "")
{
    CString record = dir / "ncpa-record.txt";
    SetEnvironmentVariableA("NCPA_RECORD", record);
    SetEnvironmentVariableA("NCPA_OMIT", omit);
    CString commandLine = CString("protoinst.exe") + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    REQUIRE(CreateProcessA(ProgramFolder() + "protoinst.exe", commandLine.GetBuffer(commandLine.GetLength()), nullptr,
                           nullptr, FALSE, 0, nullptr, dir.Path(), &startup, &process));
    Run run;
    // The bar answers while the helper pumps: at the end, in its message loop.
    HWND frame = WaitForWindow("Installing Corvane LLC2 Network Protocol", 20000);
    if (frame) {
        HWND bar = GetDlgItem(frame, 666);
        DWORD_PTR position = 0;
        while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
            if (FileExists(record) && ReadBytes(record).find("restart:") != std::string::npos &&
                SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_BLOCK, 5000, &position)) {
                run.progressAtEnd = static_cast<int>(position);
                break;
            }
        }
    }
    REQUIRE(WaitForSingleObject(process.hProcess, 300000) == WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    run.record = FileExists(record) ? ReadBytes(record) : std::string();
    SetEnvironmentVariableA("NCPA_RECORD", nullptr);
    SetEnvironmentVariableA("NCPA_OMIT", nullptr);
    return run;
}

} // namespace

TEST_CASE("the whole sequence adds the protocol from the disk path and declines the restart")
{
    PrepareMachine();
    CScratchDir dir;
    Run run = RunHelper(dir, "  A:\\LLC2 \"disk one\" ");
    CHECK(run.exitCode == 0);
    CHECK(run.record == "control panel opened\r\n"
                        "page shown: Identification\r\n"
                        "page shown: Protocols\r\n"
                        "button 2001\r\n"
                        "button 2040\r\n"
                        "disk path: A:\\LLC2 \"disk one\" \r\n"
                        "option confirmed\r\n"
                        "sheet OK\r\n"
                        "restart: no\r\n");
    CHECK(run.progressAtEnd == 100);
}

TEST_CASE("a window that never comes is waited for, and the rest of the sequence still runs")
{
    PrepareMachine();
    CScratchDir dir;
    Run run = RunHelper(dir, "", "option");
    CHECK(run.exitCode == 0);
    CHECK(run.record == "control panel opened\r\n"
                        "page shown: Identification\r\n"
                        "page shown: Protocols\r\n"
                        "button 2001\r\n"
                        "button 2040\r\n"
                        "disk path: \r\n"
                        "sheet OK\r\n"
                        "restart: no\r\n");
    CHECK(run.progressAtEnd == 100);
}

TEST_CASE("with no Network window at all every wait runs out, the bar still fills and the exit code is 0")
{
    PrepareMachine();
    CScratchDir dir;
    Run run = RunHelper(dir, " A:\\", "sheet");
    CHECK(run.exitCode == 0);
    CHECK(run.record == "control panel opened\r\n");
}
