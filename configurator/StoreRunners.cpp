#include "StoreRunners.h"

#include "ConfiguredStores.h"
#include "InstalledServersRecord.h"
#include "RunLog.h"
#include "ServerDiscovery.h"
#include "ServerKinds.h"
#include "ServerStores.h"
#include "StoreChanges.h"

#include <windows.h>

Turn CStoreRunner::Run(CServerStore& store, bool takeBack, CString& installationPath)
{
    CRunLog* log = m_log;
    const ServerKindRow& row = KindRow(store.Kind());
    // The log is never a file the run uses: before the operation opens the store, or the
    // temporary file its writer makes beside it, a log that is either file closes, left out.
    LogWork(log, [&](CRunLog& l) {
        for (const CString& file : store.FilesInUse())
            l.StandAsideFrom(file);
    });
    const bool logged = log && log->IsOn();
    if (OnlyShows() && !logged)
        return Turn::NotCalled;
    CServerStore* target = WorkOn(store);
    if (!target)
        return Turn::NotCalled;
    const char* notUsable = store.WhyNotUsable();
    if (!takeBack && !*notUsable)
        Remember(store);
    int result = 0;
    if (!logged) {
        result = target->Call(takeBack, installationPath);
        return result == -1 || *notUsable ? Turn::Failed : Turn::Done;
    }
    // The log's work around the call (its lines, its looks at the store) is its own: what it
    // throws ends the log, never the call.
    std::unique_ptr<CStoreSnapshot> before, after;
    CString pathHanded;
    LogWork(log, [&](CRunLog& l) {
        CString call = CString(row.product) + ": " + (takeBack ? row.lacksName : row.containsName) + "(";
        if (row.fileValue)
            call += CRunLog::Quoted(store.File()) + ", ";
        call += CRunLog::Quoted(installationPath);
        if (row.programFolderValue)
            call += CString(", ") + CRunLog::Quoted(store.ProgramFolder());
        l.Line(call + ")");
        if (*notUsable)
            l.Line(CString("  nothing is loaded from the program folder: ") + notUsable);
        pathHanded = installationPath;
        before = target->Look();
    });
    if (OnlyShows() && !log->IsOn())
        return Turn::NotCalled;
    result = target->Call(takeBack, installationPath);
    const DWORD error = GetLastError(); // what a -1 leaves behind
    LogWork(log, [&](CRunLog& l) {
        after = target->Look();
        before->LogFoundAsIs(l);
        l.Line(CString("  result ") + CRunLog::Number(result) +
               (result == -1 && error != ERROR_SUCCESS ? CString(" (") + CRunLog::SystemError(error) + ")" : CString()));
        if (installationPath != pathHanded)
            l.Line(CString("  the installation path is now ") + CRunLog::Quoted(installationPath) +
                   ", as the operations after this one receive it");
        before->LogChangesTo(*after, l);
    });
    return result == -1 || *notUsable ? Turn::Failed : Turn::Done;
}

CString CRealRunner::WhyKindsNotTrusted()
{
    // A configuring run makes the record's key when there is none, as a discovering run would.
    { CInstalledServersRecord record(CInstalledServersRecord::Reading, m_log); }
    return CInstalledServersRecord::WhyNotTrusted();
}

std::unique_ptr<CServerStore> CRealRunner::StoreOf(ServerKind kind) const
{
    CString firstFile, secondFile;
    if (CInstalledServersRecord::ReadServer(kind, firstFile, secondFile) == 0)
        return nullptr;
    return CServerStore::Of(kind, firstFile, secondFile);
}

void CRealRunner::Remember(const CServerStore& store)
{
    CConfiguredStores::Remember(store.Kind(), store.File(), store.ProgramFolder(), m_log);
}

void CRealRunner::Forget(const ConfiguredStore& store)
{
    CConfiguredStores::Forget(store.name);
}

CString CPreviewRunner::WhyKindsNotTrusted()
{
    // What this run found decides, as the record it would have written would.
    return m_discovery ? CString() : CInstalledServersRecord::WhyNotTrusted();
}

std::unique_ptr<CServerStore> CPreviewRunner::StoreOf(ServerKind kind) const
{
    if (!m_discovery) {
        CString firstFile, secondFile;
        if (CInstalledServersRecord::ReadServer(kind, firstFile, secondFile) == 0)
            return nullptr;
        return CServerStore::Of(kind, firstFile, secondFile);
    }
    const DiscoveredServer& server = m_discovery->m_servers[kind];
    if (server.found == 0)
        return nullptr;
    return CServerStore::Of(kind, CInstalledServersRecord::AsReadBack(server.firstFile),
                            CInstalledServersRecord::AsReadBack(server.secondFile));
}

CServerStore* CPreviewRunner::WorkOn(CServerStore& store)
{
    CString whyNot;
    m_copy = store.CopyIn(m_scratch, whyNot);
    if (!m_copy)
        m_log->Line(CString(KindRow(store.Kind()).product) + ": not previewed: " + whyNot);
    return m_copy.get();
}
