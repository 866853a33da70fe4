#include "InstalledServersRecord.h"

#include "ProtectedKeys.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerKinds.h"

namespace {
const DWORD kStringBufferBytes = 255;
}

const char CInstalledServersRecord::kParentPath[] = "SOFTWARE\\Corvane Linkwell Server Temp";
const char CInstalledServersRecord::kKeyPath[] = "SOFTWARE\\Corvane Linkwell Server Temp\\Installed Web Servers";

CInstalledServersRecord::CInstalledServersRecord(Use use, CRunLog* log) : m_log(log), m_use(use)
{
    if (use == LookingOnly)
        return;
    m_usable = MakeProtectedKeys({kParentPath, kKeyPath}, KeyLife::Volatile,
                                 use == Writing ? KeyThere::Judged : KeyThere::Kept, log);
}

CString CInstalledServersRecord::WhyNotTrusted()
{
    CString why;
    return KeysAreProtected({kParentPath, kKeyPath}, why) ? CString() : why;
}

const char* CInstalledServersRecord::FoundValueName(int kind)
{
    return kind >= 0 && kind < ServerKindCount ? KindRow(static_cast<ServerKind>(kind)).foundValue : nullptr;
}

void CInstalledServersRecord::WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile)
{
    if (kind < 0 || kind >= ServerKindCount)
        return;
    if (found != 0)
        m_anyFound = 1;
    const ServerKindRow& names = KindRow(static_cast<ServerKind>(kind));
    if (m_use == LookingOnly) {
        LogWritten(names.foundValue, ERROR_SUCCESS, CRunLog::Number(found));
        if (names.fileValue)
            LogWritten(names.fileValue, ERROR_SUCCESS, CRunLog::Quoted(firstFile));
        if (names.programFolderValue)
            LogWritten(names.programFolderValue, ERROR_SUCCESS, CRunLog::Quoted(secondFile));
        return;
    }
    CKey key;
    if (!m_usable || key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) {
        LogLine(m_log, "  the record's key cannot be opened: nothing written for this kind");
        return;
    }
    LogWritten(names.foundValue, key.SetValue(names.foundValue, static_cast<DWORD>(found)), CRunLog::Number(found));
    if (names.fileValue)
        LogWritten(names.fileValue, key.SetValue(names.fileValue, firstFile), CRunLog::Quoted(firstFile));
    if (names.programFolderValue)
        LogWritten(names.programFolderValue, key.SetValue(names.programFolderValue, secondFile), CRunLog::Quoted(secondFile));
}

int CInstalledServersRecord::ReadServer(int kind, CString& firstFile, CString& secondFile)
{
    if (kind < 0 || kind >= ServerKindCount || !WhyNotTrusted().IsEmpty())
        return 0;
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return 0;
    const ServerKindRow& names = KindRow(static_cast<ServerKind>(kind));
    // A found value of another type or size counts as 0.
    DWORD found = 0;
    if (key.QueryValue(names.foundValue, found) != ERROR_SUCCESS || found == 0)
        return 0;
    if (names.fileValue)
        firstFile = key.QueryString(names.fileValue, kStringBufferBytes);
    if (names.programFolderValue)
        secondFile = key.QueryString(names.programFolderValue, kStringBufferBytes);
    return static_cast<int>(found);
}

CString CInstalledServersRecord::AsReadBack(const CString& value)
{
    return value.GetLength() < static_cast<int>(kStringBufferBytes) ? value : CString();
}

void CInstalledServersRecord::WriteSummary()
{
    if (m_use == LookingOnly) {
        LogWritten("HasAWebServerBeenDiscovered", ERROR_SUCCESS, CRunLog::Number(static_cast<long>(m_anyFound)));
        LogWritten("Finished", ERROR_SUCCESS, CRunLog::Number(1));
        return;
    }
    CKey key;
    if (!m_usable || key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) {
        LogLine(m_log, "  the record's key cannot be opened: no summary written");
        return;
    }
    LogWritten("HasAWebServerBeenDiscovered", key.SetValue("HasAWebServerBeenDiscovered", static_cast<DWORD>(m_anyFound)),
               CRunLog::Number(static_cast<long>(m_anyFound)));
    LogWritten("Finished", key.SetValue("Finished", static_cast<DWORD>(1)), CRunLog::Number(1));
}

void CInstalledServersRecord::LogWritten(const char* name, long result, const CString& value) const
{
    if (result == ERROR_SUCCESS)
        LogLine(m_log, CString("  ") + CRunLog::Quoted(name) + " = " + value);
    else
        LogLine(m_log, CString("  ") + CRunLog::Quoted(name) + " not written (error " + CRunLog::Number(result) + ")");
}
