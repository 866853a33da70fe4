#include "ConfiguratorApp.h"

#include "ConfiguredStores.h"
#include "InstalledServersRecord.h"
#include "PreviewDlg.h"
#include "RunLog.h"
#include "ServerDiscovery.h"
#include "ServerKinds.h"
#include "ServerSelectDlg.h"
#include "ServerStores.h"
#include "StoreRunners.h"

namespace {

// Compiled in, for the log's heading; the program carries no version resource.
const char kProgramVersion[] = "1.0";
const char kBuildDate[] = __DATE__ " " __TIME__;

// A store that had its turn, for the stores the uninstall remembers.
struct HandledStore {
    ServerKind kind;
    CString file;
    Turn turn;
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
        const ServerKindRow& row = KindRow(static_cast<ServerKind>(kind));
        CString line = CString("  ") + row.product + (server.found ? ": found" : ": not found");
        if (!server.firstFile.IsEmpty())
            line += CString(", ") + (row.store == StoreKind::Database ? "database " : "file ") +
                    CRunLog::Quoted(server.firstFile);
        if (!server.secondFile.IsEmpty())
            line += CString(", program folder ") + CRunLog::Quoted(server.secondFile);
        log.Line(line);
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
            if (CInstalledServersRecord::ReadServer(kind, firstFile, secondFile) == 0)
                continue;
            for (const CString& file : CServerStore::Of(static_cast<ServerKind>(kind), firstFile, secondFile)->FilesInUse())
                filesInUse.push_back(file);
        }
        return log.Open(path, filesInUse);
    } catch (...) {
        return false;
    }
}

void LogTurnEndedEarly(CRunLog* log, ServerKind kind)
{
    LogWork(log, [&](CRunLog& l) {
        l.Line(CString(KindRow(kind).product) + ": its turn ended early (out of memory, most likely); the next kind follows");
    });
}

// The uninstall takes back from every store a configuring run remembered that it has not taken
// back from already, and forgets each once that succeeded.
void TakeBackRememberedStores(std::vector<HandledStore>& handled, CString& installationPath, CStoreRunner& runner,
                              CRunLog* log)
{
    const std::vector<ConfiguredStore> stores = CConfiguredStores::Read(log);
    if (stores.empty())
        return;
    LogLine(log, CString("taking back from the stores configured before, as HKLM\\") + CConfiguredStores::kKeyPath +
                     " names them");
    for (const ConfiguredStore& remembered : stores) {
        const ServerKind kind = static_cast<ServerKind>(remembered.kind);
        try {
            const std::unique_ptr<CServerStore> store = CServerStore::Of(kind, remembered.file, remembered.programFolder);
            const CString label = CString(KindRow(kind).product) + " " + store->Label();
            const HandledStore* same = nullptr;
            for (const HandledStore& one : handled)
                if (CConfiguredStores::SameStore(one.kind, one.file, kind, remembered.file))
                    same = &one;
            bool forget = false;
            if (same) {
                forget = same->turn == Turn::Done;
                LogLine(log, label + (forget ? ": taken back above; forgotten"
                                             : ": not taken back above; kept for the next uninstall"));
            } else if (!store->IsThere()) {
                forget = true;
                LogLine(log, label + ": no longer there; forgotten");
            } else {
                const Turn turn = runner.Run(*store, true, installationPath);
                handled.push_back({kind, remembered.file, turn});
                forget = turn == Turn::Done;
                if (!forget)
                    LogLine(log, label + ": kept for the next uninstall");
            }
            if (forget)
                runner.Forget(remembered);
        } catch (...) {
            LogTurnEndedEarly(log, kind);
        }
    }
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
            std::unique_ptr<CStoreRunner> runner;
            if (m_bPreview)
                runner.reset(new CPreviewRunner(m_bDiscover ? &discovery : nullptr, log));
            else
                runner.reset(new CRealRunner(log));
            ConfigureRecordedServers(installationPath, m_bUnconfigure, *runner, log);
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
    CInstalledServersRecord record(preview ? CInstalledServersRecord::LookingOnly : CInstalledServersRecord::Writing, log);
    // In the record's own order, which is the kinds' numbering.
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const DiscoveredServer& server = discovery.m_servers[kind];
        record.WriteServer(kind, server.found, server.firstFile, server.secondFile);
    }
    record.WriteSummary();
}

void CConfiguratorApp::ConfigureRecordedServers(CString& installationPath, bool takeBack, CStoreRunner& runner,
                                                CRunLog* log)
{
    LogLine(log, takeBack ? "unconfiguring the kinds the record marks as found" : "configuring the kinds the record marks as found");
    // What the record names is edited and loaded from: a record someone else may have written
    // decides nothing.
    const CString untrusted = runner.WhyKindsNotTrusted();
    if (!untrusted.IsEmpty())
        LogLine(log, CString("the record is not used: ") + untrusted + "; nothing is configured from it");
    std::vector<HandledStore> handled;
    for (ServerKind kind : kConfigureOrder) {
        if (!untrusted.IsEmpty())
            break;
        // A barrier per kind: whatever one kind's work throws, the next kind still has its turn.
        try {
            const std::unique_ptr<CServerStore> store = runner.StoreOf(kind);
            if (!store) {
                LogLine(log, CString(KindRow(kind).product) + ": not marked as found, skipped");
                continue;
            }
            const Turn turn = runner.Run(*store, takeBack, installationPath);
            handled.push_back({kind, store->File(), turn});
        } catch (...) {
            LogTurnEndedEarly(log, kind);
        }
    }
    if (takeBack)
        TakeBackRememberedStores(handled, installationPath, runner, log);
}
