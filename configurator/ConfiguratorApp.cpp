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

// How a switch takes effect: given and used, given and ignored (and why), or not given.
CString SwitchEffect(bool given, bool ignored, const char* why)
{
    return !given ? CString("no") : ignored ? CString("given but ignored: ") + why : CString("yes");
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
    CString select = switches.selectIgnored ? CString("given but ignored: no /DISCOVER") : CString(YesNo(switches.select));
    CString configure = SwitchEffect(switches.configure, switches.select || switches.unconfigure,
                                     switches.select ? "/SELECT shows the dialog only" : "/UNCONFIGURE takes back instead");
    CString unconfigure = SwitchEffect(switches.unconfigure, switches.select, "/SELECT shows the dialog only");
    // Without "/PATH=" the operations are handed an empty path, which the template's reader
    // lengthens to "\" in the one string object they share.
    CString path = installationPath.IsEmpty()
                       ? CString("\"\" (no /PATH=: the first operation that reads the template makes it \"\\\" for "
                                 "itself and the ones after it)")
                       : CRunLog::Quoted(installationPath);
    log.Line(CString("switches: discover ") + YesNo(switches.discover) + ", select " + select + ", configure " +
             configure + ", unconfigure " + unconfigure + "; installation path " + path + "; log " +
             CRunLog::Quoted(switches.logPath));
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
    case Mondrel: {
        CStoreSnapshot database(CStoreSnapshot::Database, firstFile);
        database.ReadMappingsWith(secondFile);
        return database;
    }
    default: return CStoreSnapshot(CStoreSnapshot::ConfigFile, firstFile);
    }
}

// The log is never a file the run uses: before an operation opens the kind's store, or the
// temporary file its rewrite makes beside it, a log that is either file closes, left out.
void StandAsideFromStore(CRunLog& log, ServerKind kind, const CString& firstFile)
{
    if (kind == Iis || firstFile.IsEmpty())
        return;
    log.StandAsideFrom(firstFile);
    log.StandAsideFrom(firstFile + (kind == Mondrel ? ".new" : "1"));
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

// A run that configures from the record as it stands uses the files it names and the temporary
// files of their rewrites: a log that is one of them is left out before its first line.
bool OpenLog(CRunLog& log, const CString& path, bool configuresFromRecord)
{
    std::vector<CString> filesInUse;
    try {
        CString firstFile, secondFile;
        for (int kind = 0; configuresFromRecord && kind < ServerKindCount; ++kind) {
            if (kind == Iis || CInstalledServersRecord::ReadServer(kind, firstFile, secondFile) == 0 || firstFile.IsEmpty())
                continue;
            filesInUse.push_back(firstFile);
            filesInUse.push_back(firstFile + (kind == Mondrel ? ".new" : "1"));
        }
        return log.Open(path, filesInUse);
    } catch (...) {
        return false;
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
// the others on copies of their stores; `before` and `after` are the store around the call.
int PreviewOperation(ServerKind kind, bool takeBack, const CString& copy, CString& secondFile,
                     CString& installationPath, CStoreSnapshot& before, CStoreSnapshot& after)
{
    if (kind == Iis) {
        before.Take();
        after.Take();
        CPreviewRootWriter roots(after);
        return ChangeIisRoots(installationPath, takeBack, roots);
    }
    before = StoreOf(kind, copy, secondFile);
    before.Take();
    CString file(copy);
    const int result = CallOperation(kind, takeBack, file, secondFile, installationPath);
    after = StoreOf(kind, copy, secondFile);
    after.Take();
    return result;
}

} // namespace

bool CConfiguratorApp::InitInstance()
{
    // Nothing escapes the run: what our own work throws ends it here, as a run ends.
    CRunLog runLog;
    try {
        const DWORD started = GetTickCount();
        CString installationPath;
        Switches switches = ParseSwitches(CString(CommandLine()), installationPath);
        m_bDiscover = switches.discover;
        m_bSelect = switches.select;
        m_bConfigure = switches.configure;
        m_bUnconfigure = switches.unconfigure;
        m_bPreview = switches.preview;
        const bool configuring = (m_bConfigure || m_bUnconfigure) && !m_bSelect;
        // Without "/LOG=", or with a log that cannot be opened, nothing is written anywhere.
        CRunLog* log = !switches.logPath.IsEmpty() && OpenLog(runLog, switches.logPath, configuring && !m_bDiscover)
                           ? &runLog
                           : nullptr;
        // A preview without a log keeps its text for its window.
        if (m_bPreview && !log) {
            runLog.KeepInMemory();
            log = &runLog;
        }
        LogWork(log, [&](CRunLog& l) { LogHeading(l, switches, installationPath); });

        CServerDiscovery discovery;
        if (m_bDiscover) {
            discovery.m_log = log;
            discovery.DiscoverAll();
            LogWork(log, [&](CRunLog& l) { LogFindings(l, discovery); });
            if (m_bSelect)
                ShowSelection(discovery, log);
            else
                WriteRecord(discovery, m_bPreview, log);
        }
        // A run never adds and takes back at once: taking back wins. A preview configures from what
        // it found, since it wrote no record.
        if (configuring) {
            CPreviewRun preview(m_bDiscover ? &discovery : nullptr);
            ConfigureRecordedServers(installationPath, m_bUnconfigure, m_bPreview ? &preview : nullptr, log);
        }
        LogWork(log, [&](CRunLog& l) {
            l.Line(CString("==== run ended after ") + CRunLog::Number(static_cast<long>(GetTickCount() - started)) + " ms" +
                   (m_bPreview ? "; a preview: nothing was changed" : ""));
        });
    } catch (...) {
        LogWork(&runLog, [](CRunLog& l) { l.Line("==== run ended early: its own work failed (out of memory, most likely)"); });
    }
    // The window holds a copy of the text; nothing of showing it may escape the run either.
    try {
        if (m_bPreview && !runLog.Text().IsEmpty()) {
            CPreviewDlg window(runLog.Text());
            window.DoModal();
        }
    } catch (...) {
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
        // A barrier per kind: whatever one kind's work throws, the next kind still has its turn.
        try {
            const int found = preview ? preview->ReadServer(kind, firstFile, secondFile)
                                      : record.ReadServer(kind, firstFile, secondFile);
            if (found == 0) {
                LogLine(log, CString(names.product) + ": not marked as found, skipped");
                continue;
            }
            LogWork(log, [&](CRunLog& l) { StandAsideFromStore(l, kind, firstFile); });
            // A preview whose log has stopped has nothing left to show: it never calls the
            // operation on the store itself.
            if (preview && !log->IsOn())
                continue;
            CString copy;
            if (preview && !preview->StoreInPlaceOf(firstFile, copy, *log))
                continue;
            if (!log || !log->IsOn()) {
                CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
                continue;
            }
            // The log's work around the call (its lines, its looks at the store) is its own: what
            // it throws ends the log, never the call.
            CStoreSnapshot before = StoreOf(kind, CString(), CString()), after = StoreOf(kind, CString(), CString());
            CString pathHanded;
            LogWork(log, [&](CRunLog& l) {
                CString call = CString(names.product) + ": " + (takeBack ? names.lacks : names.contains) + "(";
                if (kind != Iis)
                    call += CRunLog::Quoted(firstFile) + ", ";
                call += CRunLog::Quoted(installationPath);
                if (kind == Mondrel)
                    call += CString(", ") + CRunLog::Quoted(secondFile);
                l.Line(call + ")");
                pathHanded = installationPath;
            });
            int result = 0;
            if (preview) {
                LogWork(log, [&](CRunLog&) {
                    result = PreviewOperation(kind, takeBack, copy, secondFile, installationPath, before, after);
                });
                if (!log->IsOn())
                    continue;
            } else {
                LogWork(log, [&](CRunLog&) {
                    before = StoreOf(kind, firstFile, secondFile);
                    before.Take();
                });
                result = CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
                LogWork(log, [&](CRunLog&) {
                    after = StoreOf(kind, firstFile, secondFile);
                    after.Take();
                });
            }
            LogWork(log, [&](CRunLog& l) {
                if (before.BytesAfterEndMark() > 0)
                    l.Line(CString("  the file has ") + CRunLog::Number(static_cast<long>(before.BytesAfterEndMark())) +
                           " bytes after an end-of-file mark; they are kept as they are");
                l.Line(CString("  result ") + CRunLog::Number(result));
                if (installationPath != pathHanded)
                    l.Line(CString("  the installation path is now ") + CRunLog::Quoted(installationPath) +
                           ", as the operations after this one receive it");
                before.LogChangesTo(after, l);
            });
        } catch (...) {
            LogWork(log, [&](CRunLog& l) {
                l.Line(CString(names.product) + ": its turn ended early (out of memory, most likely); the next kind follows");
            });
        }
    }
}
