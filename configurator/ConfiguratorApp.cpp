#include "ConfiguratorApp.h"

#include "InstalledServersRecord.h"
#include "ServerDiscovery.h"
#include "ServerSelectDlg.h"
#include "vpsetup.h"

namespace {

const ServerKind kConfigureOrder[] = {Skylane, Mondrel, Brell, Iis, CorvaneHttpd, Netscape};

// The library's operation for the kind; its result is not examined, so that one server's failure
// does not keep the next from its turn.
void CallOperation(ServerKind kind, CString& firstFile, CString& secondFile, CString& installationPath)
{
    switch (kind) {
    case Skylane: EnsureCorvaneSLSContainsVP(firstFile, installationPath); break;
    case Mondrel: EnsureMondrelContainsVP(firstFile, installationPath, secondFile); break;
    case Brell: EnsureBrellContainsVP(firstFile, installationPath); break;
    case Iis: EnsureMSIISContainsVP(installationPath); break;
    case CorvaneHttpd: EnsureCorvaneHTTPDContainsVP(firstFile, installationPath); break;
    case Netscape: EnsureNETContainsVP(firstFile, installationPath); break;
    default: break;
    }
}

// The twin that takes back what the operation above added, with the same arguments.
void CallTakeBack(ServerKind kind, CString& firstFile, CString& secondFile, CString& installationPath)
{
    switch (kind) {
    case Skylane: EnsureCorvaneSLSLacksVP(firstFile, installationPath); break;
    case Mondrel: EnsureMondrelLacksVP(firstFile, installationPath, secondFile); break;
    case Brell: EnsureBrellLacksVP(firstFile, installationPath); break;
    case Iis: EnsureMSIISLacksVP(installationPath); break;
    case CorvaneHttpd: EnsureCorvaneHTTPDLacksVP(firstFile, installationPath); break;
    case Netscape: EnsureNETLacksVP(firstFile, installationPath); break;
    default: break;
    }
}

} // namespace

bool CConfiguratorApp::InitInstance()
{
    CString installationPath;
    Switches switches = ParseSwitches(CString(CommandLine()), installationPath);
    m_bDiscover = switches.discover;
    m_bSelect = switches.select;
    m_bConfigure = switches.configure;
    m_bUnconfigure = switches.unconfigure;

    if (m_bDiscover) {
        CServerDiscovery discovery;
        discovery.DiscoverAll();
        if (m_bSelect)
            ShowSelection(discovery);
        else
            WriteRecord(discovery);
    }
    // A run never adds and takes back at once: taking back wins.
    if ((m_bConfigure || m_bUnconfigure) && !m_bSelect)
        ConfigureRecordedServers(installationPath, m_bUnconfigure);
    return false;
}

void CConfiguratorApp::ShowSelection(const CServerDiscovery& discovery)
{
    CServerSelectDlg dialog(nullptr);
    dialog.m_mondrelCheck = discovery.m_servers[Mondrel].found;
    dialog.m_brellCheck = discovery.m_servers[Brell].found;
    dialog.m_skylaneCheck = discovery.m_servers[Skylane].found;
    dialog.m_iisCheck = discovery.m_servers[Iis].found;
    dialog.DoModal();
}

void CConfiguratorApp::WriteRecord(const CServerDiscovery& discovery)
{
    CInstalledServersRecord record;
    // In the record's own order, which is the kinds' numbering.
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const DiscoveredServer& server = discovery.m_servers[kind];
        record.WriteServer(kind, server.found, server.firstFile, server.secondFile);
    }
    record.WriteSummary();
}

void CConfiguratorApp::ConfigureRecordedServers(CString& installationPath, bool takeBack)
{
    CInstalledServersRecord record;
    CString firstFile;
    CString secondFile;
    for (ServerKind kind : kConfigureOrder) {
        if (record.ReadServer(kind, firstFile, secondFile) == 0)
            continue;
        if (takeBack)
            CallTakeBack(kind, firstFile, secondFile, installationPath);
        else
            CallOperation(kind, firstFile, secondFile, installationPath);
    }
}
