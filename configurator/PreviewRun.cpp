#include "PreviewRun.h"

#include "InstalledServersRecord.h"
#include "RunLog.h"
#include "ServerDiscovery.h"
#include "ServerKinds.h"

int CPreviewRun::ReadServer(ServerKind kind, CString& firstFile, CString& secondFile) const
{
    if (!m_discovery)
        return CInstalledServersRecord::ReadServer(kind, firstFile, secondFile);
    const DiscoveredServer& server = m_discovery->m_servers[kind];
    if (server.found == 0)
        return 0;
    firstFile = CInstalledServersRecord::AsReadBack(server.firstFile);
    secondFile = CInstalledServersRecord::AsReadBack(server.secondFile);
    return server.found;
}

bool CPreviewRun::StoreInPlaceOf(const ServerKindRow& kind, const CString& path, CString& copy, CRunLog& log)
{
    const char* server = kind.product;
    // The roots' copy is a key: it needs no folder.
    if (kind.store == StoreKind::VirtualRoots) {
        if (m_scratch.RootsCopy(copy))
            return true;
        log.Line(CString(server) + ": not previewed: no copy of the virtual roots could be made in the registry (error " +
                 CRunLog::Number(static_cast<long>(m_scratch.Error())) + ")");
        return false;
    }
    if (!m_tried) {
        m_tried = true;
        m_made = m_scratch.Make();
    }
    if (!m_made) {
        log.Line(CString(server) + ": not previewed: no folder for the copies could be made in the temporary folder (error " +
                 CRunLog::Number(static_cast<long>(m_scratch.Error())) + ")");
        return false;
    }
    if (m_scratch.CopyOf(path, kind.store, copy))
        return true;
    log.Line(CString(server) + ": not previewed: no copy of " + CRunLog::Quoted(path) +
             " could be made in the temporary folder (error " + CRunLog::Number(static_cast<long>(m_scratch.Error())) + ")");
    return false;
}
