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

} // namespace

bool CConfiguratorApp::InitInstance()
{
    CString installationPath;
    Switches switches = ParseSwitches(CString(CommandLine()), installationPath);
    m_bDiscover = switches.discover;
    m_bSelect = switches.select;
    m_bConfigure = switches.configure;

    if (m_bDiscover) {
        CServerDiscovery discovery;
        discovery.DiscoverAll();
        if (m_bSelect)
            ShowSelection(discovery);
        else
            WriteRecord(discovery);
    }
    if (m_bConfigure && !m_bSelect)
        ConfigureRecordedServers(installationPath);
    return false;
}

void CConfiguratorApp::ShowSelection(const CServerDiscovery& discovery)
{
    CServerSelectDlg dialog(nullptr);
    dialog.m_mondrelCheck = discovery.m_mondrelFound;
    dialog.m_brellCheck = discovery.m_brellFound;
    dialog.m_skylaneCheck = discovery.m_skylaneFound;
    dialog.m_iisCheck = discovery.m_iisFound;
    dialog.DoModal();
}

void CConfiguratorApp::WriteRecord(const CServerDiscovery& discovery)
{
    CInstalledServersRecord record;
    const CString none;
    record.WriteServer(Mondrel, discovery.m_mondrelFound, discovery.m_mondrelDatabase,
                       discovery.m_mondrelProgramDirectory);
    record.WriteServer(Brell, discovery.m_brellFound, discovery.m_brellConfigFile, none);
    record.WriteServer(Skylane, discovery.m_skylaneFound, discovery.m_skylaneConfigFile, none);
    record.WriteServer(Iis, discovery.m_iisFound, none, none);
    record.WriteServer(CorvaneHttpd, discovery.m_corvaneHttpdFound, discovery.m_corvaneHttpdConfigFile, none);
    record.WriteServer(Netscape, discovery.m_netscapeFound, discovery.m_netscapeConfigFile, none);
    record.WriteSummary();
}

void CConfiguratorApp::ConfigureRecordedServers(CString& installationPath)
{
    CInstalledServersRecord record;
    CString firstFile;
    CString secondFile;
    for (ServerKind kind : kConfigureOrder) {
        if (record.ReadServer(kind, firstFile, secondFile) != 0)
            CallOperation(kind, firstFile, secondFile, installationPath);
    }
}
