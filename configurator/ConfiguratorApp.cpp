#include "ConfiguratorApp.h"

#include "InstalledServersRecord.h"
#include "ServerDiscovery.h"
#include "ServerSelectDlg.h"
#include "vpsetup.h"

namespace {

const ServerKind kConfigureOrder[] = {Skylane, Mondrel, Brell, Iis, CorvaneHttpd, Netscape};

// The library's operation for the kind, or with takeBack its twin, which takes out what the
// operation adds, with the same arguments. The result is not examined, so that one server's
// failure does not keep the next from its turn.
void CallOperation(ServerKind kind, bool takeBack, CString& firstFile, CString& secondFile, CString& installationPath)
{
    CString& path = installationPath;
    switch (kind) {
    case Skylane: takeBack ? EnsureCorvaneSLSLacksVP(firstFile, path) : EnsureCorvaneSLSContainsVP(firstFile, path); break;
    case Mondrel:
        takeBack ? EnsureMondrelLacksVP(firstFile, path, secondFile) : EnsureMondrelContainsVP(firstFile, path, secondFile);
        break;
    case Brell: takeBack ? EnsureBrellLacksVP(firstFile, path) : EnsureBrellContainsVP(firstFile, path); break;
    case Iis: takeBack ? EnsureMSIISLacksVP(path) : EnsureMSIISContainsVP(path); break;
    case CorvaneHttpd: takeBack ? EnsureCorvaneHTTPDLacksVP(firstFile, path) : EnsureCorvaneHTTPDContainsVP(firstFile, path); break;
    case Netscape: takeBack ? EnsureNETLacksVP(firstFile, path) : EnsureNETContainsVP(firstFile, path); break;
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
        if (record.ReadServer(kind, firstFile, secondFile) != 0)
            CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
    }
}
