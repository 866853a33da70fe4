#include "ConfiguratorApp.h"

#include "ConfiguredStores.h"
#include "InstalledServersRecord.h"
#include "MondrelBinding.h"
#include "PreviewDlg.h"
#include "PreviewRun.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerDiscovery.h"
#include "ServerKinds.h"
#include "ServerSelectDlg.h"
#include "StoreChanges.h"
#include "vpsetup.h"

namespace {

// Compiled in, for the log's heading; the program carries no version resource.
const char kProgramVersion[] = "1.0";
const char kBuildDate[] = __DATE__ " " __TIME__;

// How one kind's turn went, for the stores the uninstall remembers.
enum class Turn { NotCalled, Failed, Done };
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

// The store an operation of the kind works on, to be looked at before and after it.
CStoreSnapshot StoreOf(ServerKind kind, const CString& firstFile, const CString& secondFile)
{
    switch (KindRow(kind).store) {
    case StoreKind::VirtualRoots: return CStoreSnapshot(CStoreSnapshot::VirtualRoots, firstFile);
    case StoreKind::Database: {
        CStoreSnapshot database(CStoreSnapshot::Database, firstFile);
        database.ReadMappingsWith(secondFile);
        return database;
    }
    default: return CStoreSnapshot(CStoreSnapshot::ConfigFile, firstFile);
    }
}

// The log is never a file the run uses: before an operation opens the kind's store, or the
// temporary file its writer makes beside it, a log that is either file closes, left out.
void StandAsideFromStore(CRunLog& log, ServerKind kind, const CString& firstFile)
{
    const StoreKind store = KindRow(kind).store;
    if (store == StoreKind::VirtualRoots || firstFile.IsEmpty())
        return;
    log.StandAsideFrom(firstFile);
    log.StandAsideFrom(TemporaryNameOf(store, firstFile));
}

// The library's operation for the kind, or with takeBack its twin. The result is not examined,
// so that one server's failure does not keep the next from its turn.
int CallOperation(ServerKind kind, bool takeBack, CString& firstFile, CString& secondFile, CString& installationPath)
{
    return KindRow(kind).call(takeBack, firstFile, secondFile, installationPath);
}

// A run that configures from the record as it stands uses the files it names and the temporary
// files of their rewrites: a log that is one of them is left out before its first line.
bool OpenLog(CRunLog& log, const CString& path, bool configuresFromRecord)
{
    std::vector<CString> filesInUse;
    try {
        CString firstFile, secondFile;
        for (int kind = 0; configuresFromRecord && kind < ServerKindCount; ++kind) {
            const StoreKind store = KindRow(static_cast<ServerKind>(kind)).store;
            if (store == StoreKind::VirtualRoots || CInstalledServersRecord::ReadServer(kind, firstFile, secondFile) == 0 ||
                firstFile.IsEmpty())
                continue;
            filesInUse.push_back(firstFile);
            filesInUse.push_back(TemporaryNameOf(store, firstFile));
        }
        return log.Open(path, filesInUse);
    } catch (...) {
        return false;
    }
}

// The kind's operation where it changes nothing: on the copy of its store (a file, the database,
// the roots' key); `before` and `after` are the copy around the call.
int PreviewOperation(ServerKind kind, bool takeBack, const CString& copy, CString& secondFile,
                     CString& installationPath, CStoreSnapshot& before, CStoreSnapshot& after, DWORD& error)
{
    const ServerKindRow& row = KindRow(kind);
    before = StoreOf(kind, copy, secondFile);
    before.Take();
    CString store(copy);
    const int result = (row.callOnCopy ? row.callOnCopy : row.call)(takeBack, store, secondFile, installationPath);
    error = GetLastError();
    after = StoreOf(kind, copy, secondFile);
    after.Take();
    return result;
}

void LogTurnEndedEarly(CRunLog* log, ServerKind kind)
{
    LogWork(log, [&](CRunLog& l) {
        l.Line(CString(KindRow(kind).product) + ": its turn ended early (out of memory, most likely); the next kind follows");
    });
}

// The kind's operation on its store, said in the log with what it changed. A configuring call is
// remembered for the uninstall before it is made, so that a run killed in the middle of it is
// remembered too.
Turn RunOperation(ServerKind kind, bool takeBack, CString& firstFile, CString& secondFile, CString& installationPath,
                  CPreviewRun* preview, CRunLog* log)
{
    const ServerKindRow& row = KindRow(kind);
    LogWork(log, [&](CRunLog& l) { StandAsideFromStore(l, kind, firstFile); });
    // A preview whose log has stopped has nothing left to show: it never calls the
    // operation on the store itself.
    if (preview && !log->IsOn())
        return Turn::NotCalled;
    CString copy;
    if (preview && !preview->StoreInPlaceOf(row, firstFile, copy, *log))
        return Turn::NotCalled;
    // The bridge loads nothing from a program folder users may change; the log says why.
    const char* notLoaded = row.store == StoreKind::Database ? WhyMondrelProgramFolderNotTrusted(secondFile) : "";
    if (!preview && !takeBack && !*notLoaded)
        CConfiguredStores::Remember(kind, firstFile, secondFile, log);
    int result = 0;
    if (!log || !log->IsOn()) {
        result = CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
    } else {
        // The log's work around the call (its lines, its looks at the store) is its own: what
        // it throws ends the log, never the call.
        CStoreSnapshot before = StoreOf(kind, CString(), CString()), after = StoreOf(kind, CString(), CString());
        CString pathHanded;
        LogWork(log, [&](CRunLog& l) {
            CString call = CString(row.product) + ": " + (takeBack ? row.lacksName : row.containsName) + "(";
            if (row.fileValue)
                call += CRunLog::Quoted(firstFile) + ", ";
            call += CRunLog::Quoted(installationPath);
            if (row.programFolderValue)
                call += CString(", ") + CRunLog::Quoted(secondFile);
            l.Line(call + ")");
            if (*notLoaded)
                l.Line(CString("  nothing is loaded from the program folder: ") + notLoaded);
            pathHanded = installationPath;
        });
        DWORD error = ERROR_SUCCESS; // what a -1 leaves behind
        if (preview) {
            LogWork(log, [&](CRunLog&) {
                result = PreviewOperation(kind, takeBack, copy, secondFile, installationPath, before, after, error);
            });
            if (!log->IsOn())
                return Turn::NotCalled;
        } else {
            LogWork(log, [&](CRunLog&) {
                before = StoreOf(kind, firstFile, secondFile);
                before.Take();
            });
            result = CallOperation(kind, takeBack, firstFile, secondFile, installationPath);
            error = GetLastError();
            LogWork(log, [&](CRunLog&) {
                after = StoreOf(kind, firstFile, secondFile);
                after.Take();
            });
        }
        LogWork(log, [&](CRunLog& l) {
            if (before.BytesAfterEndMark() > 0)
                l.Line(CString("  the file has ") + CRunLog::Number(static_cast<long>(before.BytesAfterEndMark())) +
                       " bytes after an end-of-file mark; they are kept as they are");
            l.Line(CString("  result ") + CRunLog::Number(result) +
                   (result == -1 && error != ERROR_SUCCESS ? CString(" (") + CRunLog::SystemError(error) + ")" : CString()));
            if (installationPath != pathHanded)
                l.Line(CString("  the installation path is now ") + CRunLog::Quoted(installationPath) +
                       ", as the operations after this one receive it");
            before.LogChangesTo(after, l);
        });
    }
    return result == -1 || *notLoaded ? Turn::Failed : Turn::Done;
}

// Whether the store a configuring run remembered is still on the machine.
bool StoreIsThere(const ConfiguredStore& store)
{
    if (KindRow(static_cast<ServerKind>(store.kind)).store == StoreKind::VirtualRoots) {
        CKey roots;
        return roots.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, KEY_READ) != ERROR_FILE_NOT_FOUND;
    }
    if (GetFileAttributesA(store.file) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD error = GetLastError();
    return !store.file.IsEmpty() && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// The uninstall takes back from every store a configuring run remembered that it has not taken
// back from already, and forgets each once that succeeded.
void TakeBackRememberedStores(std::vector<HandledStore>& handled, CString& installationPath, CPreviewRun* preview,
                              CRunLog* log)
{
    const std::vector<ConfiguredStore> stores = CConfiguredStores::Read(log);
    if (stores.empty())
        return;
    LogLine(log, CString("taking back from the stores configured before, as HKLM\\") + CConfiguredStores::kKeyPath +
                     " names them");
    for (const ConfiguredStore& store : stores) {
        const ServerKind kind = static_cast<ServerKind>(store.kind);
        try {
            CString label = CString(KindRow(kind).product) + " " +
                            (KindRow(kind).store == StoreKind::VirtualRoots ? CString("virtual roots")
                                                                             : CRunLog::Quoted(store.file));
            const HandledStore* same = nullptr;
            for (const HandledStore& one : handled)
                if (CConfiguredStores::SameStore(one.kind, one.file, kind, store.file))
                    same = &one;
            bool forget = false;
            if (same) {
                forget = same->turn == Turn::Done;
                LogLine(log, label + (forget ? ": taken back above; forgotten"
                                             : ": not taken back above; kept for the next uninstall"));
            } else if (!StoreIsThere(store)) {
                forget = true;
                LogLine(log, label + ": no longer there; forgotten");
            } else {
                CString file(store.file);
                CString programFolder(store.programFolder);
                const Turn turn = RunOperation(kind, true, file, programFolder, installationPath, preview, log);
                handled.push_back({kind, store.file, turn});
                forget = turn == Turn::Done;
                if (!forget)
                    LogLine(log, label + ": kept for the next uninstall");
            }
            if (forget && !preview)
                CConfiguredStores::Forget(store.name);
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
    CInstalledServersRecord record(preview ? CInstalledServersRecord::LookingOnly : CInstalledServersRecord::Writing, log);
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
    // What the record names is edited and loaded from: a record someone else may have written
    // decides nothing.
    const bool fromRecord = !preview || preview->ReadsRecord();
    // A configuring run makes the record's key when there is none, as a discovering run would.
    if (!preview)
        CInstalledServersRecord record(CInstalledServersRecord::Reading, log);
    const CString untrusted = fromRecord ? CInstalledServersRecord::WhyNotTrusted() : CString();
    if (!untrusted.IsEmpty())
        LogLine(log, CString("the record is not used: ") + untrusted + "; nothing is configured from it");
    std::vector<HandledStore> handled;
    CString firstFile;
    CString secondFile;
    for (ServerKind kind : kConfigureOrder) {
        if (!untrusted.IsEmpty())
            break;
        // A barrier per kind: whatever one kind's work throws, the next kind still has its turn.
        try {
            // Only what the record holds for this kind: IIS has no file.
            firstFile.Empty();
            secondFile.Empty();
            const int found = preview ? preview->ReadServer(kind, firstFile, secondFile)
                                      : CInstalledServersRecord::ReadServer(kind, firstFile, secondFile);
            if (found == 0) {
                LogLine(log, CString(KindRow(kind).product) + ": not marked as found, skipped");
                continue;
            }
            const Turn turn = RunOperation(kind, takeBack, firstFile, secondFile, installationPath, preview, log);
            handled.push_back({kind, firstFile, turn});
        } catch (...) {
            LogTurnEndedEarly(log, kind);
        }
    }
    if (takeBack)
        TakeBackRememberedStores(handled, installationPath, preview, log);
}
