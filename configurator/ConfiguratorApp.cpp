#include "ConfiguratorApp.h"

#include "IisVirtualRoots.h"
#include "InstalledServersRecord.h"
#include "PreviewDlg.h"
#include "PreviewRun.h"
#include "RunLog.h"
#include "ServerDiscovery.h"
#include "ServerSelectDlg.h"
#include "StoreChanges.h"
#include "vpsetup.h"

namespace {

// Compiled in, for the log's heading; the program carries no version resource.
const char kProgramVersion[] = "1.0";
const char kBuildDate[] = __DATE__ " " __TIME__;

const ServerKind kConfigureOrder[] = {Skylane, Mondrel, Brell, Iis, CorvaneHttpd, Netscape};

// What the log calls each kind and its two operations, by ServerKind.
struct KindNames {
    const char* product;
    const char* contains;
    const char* lacks;
};
const KindNames kKindNames[ServerKindCount] = {
    {"Pellan Mondrel", "EnsureMondrelContainsVP", "EnsureMondrelLacksVP"},
    {"Pellan Brell", "EnsureBrellContainsVP", "EnsureBrellLacksVP"},
    {"Corvane Skylane Server", "EnsureCorvaneSLSContainsVP", "EnsureCorvaneSLSLacksVP"},
    {"Microsoft IIS", "EnsureMSIISContainsVP", "EnsureMSIISLacksVP"},
    {"Corvane HTTPD", "EnsureCorvaneHTTPDContainsVP", "EnsureCorvaneHTTPDLacksVP"},
    {"Netscape Enterprise", "EnsureNETContainsVP", "EnsureNETLacksVP"},
};

const char* YesNo(bool value)
{
    return value ? "yes" : "no";
}

CString CurrentDirectory()
{
    char directory[MAX_PATH + 1] = "";
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    return length < sizeof directory ? CString(directory, static_cast<int>(length)) : CString("(too long to read)");
}

void LogHeading(CRunLog& log, const Switches& switches, const CString& installationPath)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[64];
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    log.Line(CString("==== vpsetup ") + kProgramVersion + (switches.preview ? " preview" : "") + " (built " + kBuildDate +
             "), run at " + stamp);
    if (switches.preview)
        log.Line("a preview: everything is looked at and nothing on this machine is changed");
    log.Line(CString("command line: ") + CRunLog::Quoted(GetCommandLineA()));
    log.Line(CString("current directory: ") + CRunLog::Quoted(CurrentDirectory()));
    log.Line(CString("switches: discover ") + YesNo(switches.discover) + ", select " + YesNo(switches.select) +
             ", configure " + YesNo(switches.configure) + ", unconfigure " + YesNo(switches.unconfigure) +
             "; installation path " + CRunLog::Quoted(installationPath) + "; log " + CRunLog::Quoted(switches.logPath));
}

void LogFindings(CRunLog& log, const CServerDiscovery& discovery)
{
    log.Line("discovery found:");
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const DiscoveredServer& server = discovery.m_servers[kind];
        CString line = CString("  ") + kKindNames[kind].product + (server.found ? ": found" : ": not found");
        if (!server.firstFile.IsEmpty())
            line += CString(", ") + (kind == Mondrel ? "database " : "file ") + CRunLog::Quoted(server.firstFile);
        if (!server.secondFile.IsEmpty())
            line += CString(", program folder ") + CRunLog::Quoted(server.secondFile);
        log.Line(line);
    }
}

// The store an operation of the kind works on, to be looked at before and after it.
CStoreSnapshot StoreOf(ServerKind kind, const CString& firstFile, const CString& secondFile)
{
    switch (kind) {
    case Iis: return CStoreSnapshot(CStoreSnapshot::VirtualRoots, CString());
    case Mondrel: return CStoreSnapshot(CStoreSnapshot::Database, firstFile, secondFile);
    default: return CStoreSnapshot(CStoreSnapshot::ConfigFile, firstFile);
    }
}

// The library's operation for the kind, or with takeBack its twin, which takes out what the
// operation adds, with the same arguments. The result is not examined, so that one server's
// failure does not keep the next from its turn.
int CallOperation(ServerKind kind, bool takeBack, CString& firstFile, CString& secondFile, CString& installationPath)
{
    CString& path = installationPath;
    switch (kind) {
    case Skylane: return takeBack ? EnsureCorvaneSLSLacksVP(firstFile, path) : EnsureCorvaneSLSContainsVP(firstFile, path);
    case Mondrel:
        return takeBack ? EnsureMondrelLacksVP(firstFile, path, secondFile)
                        : EnsureMondrelContainsVP(firstFile, path, secondFile);
    case Brell: return takeBack ? EnsureBrellLacksVP(firstFile, path) : EnsureBrellContainsVP(firstFile, path);
    case Iis: return takeBack ? EnsureMSIISLacksVP(path) : EnsureMSIISContainsVP(path);
    case CorvaneHttpd:
        return takeBack ? EnsureCorvaneHTTPDLacksVP(firstFile, path) : EnsureCorvaneHTTPDContainsVP(firstFile, path);
    case Netscape: return takeBack ? EnsureNETLacksVP(firstFile, path) : EnsureNETContainsVP(firstFile, path);
    default: return 0;
    }
}

// A preview's IIS changes go to the roots it looked at, not to the registry.
class CPreviewRootWriter : public CVirtualRootWriter {
public:
    explicit CPreviewRootWriter(CStoreSnapshot& roots) : m_roots(roots) {}
    bool Delete(const CString& enumeratedName) override
    {
        m_roots.DeleteRoot(enumeratedName);
        return true;
    }
    bool Write(const CString& name, const CString& data) override
    {
        m_roots.WriteRoot(name, data);
        return true;
    }

private:
    CStoreSnapshot& m_roots;
};

// The kind's operation where it changes nothing: the IIS decisions made on the roots as they are,
// the others on copies of their stores; `after` is the store as the call leaves it. False when it
// could not be run (said in the log).
bool PreviewOperation(ServerKind kind, bool takeBack, CString& firstFile, CString& secondFile,
                      CString& installationPath, CPreviewRun& preview, CStoreSnapshot& before,
                      CStoreSnapshot& after, int& result, CRunLog& log)
{
    if (kind == Iis) {
        before.Take();
        after.Take();
        CPreviewRootWriter roots(after);
        result = ChangeIisRoots(installationPath, takeBack, roots);
        return true;
    }
    CString copy;
    if (!preview.StoreInPlaceOf(kind, firstFile, copy, log))
        return false;
    before = StoreOf(kind, copy, secondFile);
    after = StoreOf(kind, copy, secondFile);
    before.Take();
    result = CallOperation(kind, takeBack, copy, secondFile, installationPath);
    after.Take();
    return true;
}

} // namespace

bool CConfiguratorApp::InitInstance()
{
    const DWORD started = GetTickCount();
    CString installationPath;
    Switches switches = ParseSwitches(CString(CommandLine()), installationPath);
    m_bDiscover = switches.discover;
    m_bSelect = switches.select;
    m_bConfigure = switches.configure;
    m_bUnconfigure = switches.unconfigure;
    m_bPreview = switches.preview;
    // Without "/LOG=", or with a log that cannot be opened, nothing is written anywhere; a preview
    // then keeps its text for its window.
    CRunLog runLog;
    CRunLog* log = !switches.logPath.IsEmpty() && runLog.Open(switches.logPath) ? &runLog : nullptr;
    if (m_bPreview && !log) {
        runLog.KeepInMemory();
        log = &runLog;
    }
    if (log)
        LogHeading(*log, switches, installationPath);

    CServerDiscovery discovery;
    if (m_bDiscover) {
        discovery.m_log = log;
        discovery.DiscoverAll();
        if (log)
            LogFindings(*log, discovery);
        if (m_bSelect)
            ShowSelection(discovery, log);
        else
            WriteRecord(discovery, m_bPreview, log);
    }
    // A run never adds and takes back at once: taking back wins. A preview configures from what
    // it found, since it wrote no record.
    if ((m_bConfigure || m_bUnconfigure) && !m_bSelect) {
        CPreviewRun preview(m_bDiscover ? &discovery : nullptr);
        ConfigureRecordedServers(installationPath, m_bUnconfigure, m_bPreview ? &preview : nullptr, log);
    }
    LogLine(log, CString("==== run ended after ") + CRunLog::Number(static_cast<long>(GetTickCount() - started)) + " ms" +
                     (m_bPreview ? "; a preview: nothing was changed" : ""));
    if (m_bPreview && !runLog.Text().IsEmpty()) {
        CPreviewDlg window(runLog.Text());
        window.DoModal();
    }
    return false;
}

void CConfiguratorApp::ShowSelection(const CServerDiscovery& discovery, CRunLog* log)
{
    CServerSelectDlg dialog(nullptr);
    dialog.m_mondrelCheck = discovery.m_servers[Mondrel].found;
    dialog.m_brellCheck = discovery.m_servers[Brell].found;
    dialog.m_skylaneCheck = discovery.m_servers[Skylane].found;
    dialog.m_iisCheck = discovery.m_servers[Iis].found;
    LogLine(log, "selection dialog shown; the record is not written and nothing is configured");
    INT_PTR closed = dialog.DoModal();
    LogLine(log, CString("selection dialog closed ") +
                     (closed == IDOK ? "with Configure Servers (or Enter)"
                                     : closed == IDCANCEL ? "with Cancel (or Escape)" : "without being shown") +
                     ", result " + CRunLog::Number(static_cast<long>(closed)));
}

void CConfiguratorApp::WriteRecord(const CServerDiscovery& discovery, bool preview, CRunLog* log)
{
    LogLine(log, CString(preview ? "record that would be written to the volatile key HKLM\\"
                                 : "record written to the volatile key HKLM\\") +
                     CInstalledServersRecord::kKeyPath + ":");
    CInstalledServersRecord record(preview ? CInstalledServersRecord::LookingOnly : CInstalledServersRecord::Writing);
    record.m_log = log;
    // In the record's own order, which is the kinds' numbering.
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const DiscoveredServer& server = discovery.m_servers[kind];
        record.WriteServer(kind, server.found, server.firstFile, server.secondFile);
    }
    record.WriteSummary();
}

void CConfiguratorApp::ConfigureRecordedServers(CString& installationPath, bool takeBack, CPreviewRun* preview,
                                                CRunLog* log)
{
    LogLine(log, takeBack ? "unconfiguring the kinds the record marks as found" : "configuring the kinds the record marks as found");
    CInstalledServersRecord record(preview ? CInstalledServersRecord::LookingOnly : CInstalledServersRecord::Writing);
    CString firstFile;
    CString secondFile;
    for (ServerKind kind : kConfigureOrder) {
        const KindNames& names = kKindNames[kind];
        const int found = preview ? preview->ReadServer(record, kind, firstFile, secondFile)
                                  : record.ReadServer(kind, firstFile, secondFile);
        if (found == 0) {
            LogLine(log, CString(names.product) + ": not marked as found, skipped");
            continue;
        }
        if (!log) {
            CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
            continue;
        }
        CString call = CString(names.product) + ": " + (takeBack ? names.lacks : names.contains) + "(";
        if (kind != Iis)
            call += CRunLog::Quoted(firstFile) + ", ";
        call += CRunLog::Quoted(installationPath);
        if (kind == Mondrel)
            call += CString(", ") + CRunLog::Quoted(secondFile);
        log->Line(call + ")");
        CStoreSnapshot before = StoreOf(kind, firstFile, secondFile), after = StoreOf(kind, firstFile, secondFile);
        int result = 0;
        if (preview) {
            if (!PreviewOperation(kind, takeBack, firstFile, secondFile, installationPath, *preview, before, after,
                                  result, *log))
                continue;
        } else {
            before.Take();
            result = CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
            after.Take();
        }
        log->Line(CString("  result ") + CRunLog::Number(result));
        before.LogChangesTo(after, *log);
    }
}
