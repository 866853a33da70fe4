// protoinst.exe against our Network control panel, the one run of the real thing: the helper runs
// as a program, opens "control ncpa.cpl" in the prefix, and the panel writes down what it was
// told. Every pause of the walk, and the walk without the panel's windows, are checked without
// waiting in WalkTests.cpp.
#include "DialogWatch.h"
#include "DiskPath.h"
#include "TestFixtures.h"
#include "UniqueHandle.h"

#include <catch.hpp>

#include <commctrl.h>

#include <vector>

namespace {

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
    CKey key;
    REQUIRE(key.Create(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\protoinst.exe", REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS) == ERROR_SUCCESS);
    REQUIRE(key.SetValue("Version", CString("nt40")) == ERROR_SUCCESS);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
}

struct ChildSeen {
    std::string className, text;
    RECT rect;
    int id;
};

struct Run {
    DWORD frameStyle = 0, frameExStyle = 0;
    RECT frameRect = {};
    std::vector<ChildSeen> children;
    DWORD exitCode = 0xFFFFFFFF;
    int progressAtEnd = -1;
    std::string record;
};

// The record as it stands while the panel may still be writing it; empty if not there yet.
std::string PeekRecord(const CString& path)
{
    CFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::string();
    char buffer[4096];
    DWORD got = 0;
    std::string text;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

Run RunHelper(const CScratchDir& dir, const char* arguments)
{
    CString record = dir / "ncpa-record.txt";
    SetEnvironmentVariableA("NCPA_RECORD", record);
    CProcessInformation process;
    StartProgram(process, ProgramFolder() + "protoinst.exe", CString("protoinst.exe") + arguments, dir.Path());
    Run run;
    // The bar answers while the helper pumps: at the end, in its message loop.
    HWND frame = WaitForWindow("Installing Corvane LLC2 Network Protocol", 20000);
    if (frame) {
        run.frameStyle = static_cast<DWORD>(GetWindowLongA(frame, GWL_STYLE));
        run.frameExStyle = static_cast<DWORD>(GetWindowLongA(frame, GWL_EXSTYLE));
        GetWindowRect(frame, &run.frameRect);
        for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            ChildSeen seen;
            char text[256];
            GetClassNameA(child, text, sizeof text);
            seen.className = text;
            GetWindowTextA(child, text, sizeof text);
            seen.text = text;
            GetWindowRect(child, &seen.rect);
            MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&seen.rect), 2);
            seen.id = GetDlgCtrlID(child);
            run.children.push_back(seen);
        }
        HWND bar = GetDlgItem(frame, 666);
        DWORD_PTR position = 0;
        while (WaitForSingleObject(process.Process(), 200) == WAIT_TIMEOUT) {
            if (PeekRecord(record).find("restart:") != std::string::npos &&
                SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_BLOCK, 5000, &position)) {
                run.progressAtEnd = static_cast<int>(position);
                break;
            }
        }
    }
    REQUIRE(WaitForSingleObject(process.Process(), 300000) == WAIT_OBJECT_0);
    GetExitCodeProcess(process.Process(), &run.exitCode);
    // The panel outlives the helper a moment; no window of it may stay for a later case to find.
    run.record = PeekRecord(record);
    for (int wait = 0; wait < 100 && run.record.find("control panel closed") == std::string::npos; ++wait) {
        Sleep(100);
        run.record = PeekRecord(record);
    }
    SetEnvironmentVariableA("NCPA_RECORD", nullptr);
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
                        "button 2001 on page Protocols\r\n"
                        "button 2040\r\n"
                        "disk path: A:\\LLC2 \"disk one\" \r\n"
                        "option confirmed\r\n"
                        "sheet OK\r\n"
                        "restart: no\r\n"
                        "control panel closed\r\n");
    CHECK(run.progressAtEnd == 100);

    // The progress window: a caption only, topmost, 350 by 250, three children.
    CHECK((run.frameStyle & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == WS_CAPTION);
    CHECK((run.frameExStyle & (WS_EX_TOPMOST | WS_EX_STATICEDGE)) == (WS_EX_TOPMOST | WS_EX_STATICEDGE));
    CHECK(run.frameRect.right - run.frameRect.left == 350);
    CHECK(run.frameRect.bottom - run.frameRect.top == 250);
    REQUIRE(run.children.size() == 3);
    CHECK(run.children[0].text.empty());
    CHECK(run.children[0].id == 0xFFFF);
    CHECK(run.children[1].text == "Please wait while the Corvane LLC2 Protocol is installed on your computer.");
    CHECK((run.children[1].rect.left == 40 && run.children[1].rect.top == 50 && run.children[1].rect.right == 310 &&
           run.children[1].rect.bottom == 200));
    CHECK(run.children[2].className == PROGRESS_CLASSA);
    CHECK(run.children[2].id == 666);
    CHECK((run.children[2].rect.left == 40 && run.children[2].rect.top == 150 && run.children[2].rect.right == 300 &&
           run.children[2].rect.bottom == 175));
}
