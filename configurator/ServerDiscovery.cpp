#include "ServerDiscovery.h"

#include "FindFileInTree.h"
#include "PathText.h"
#include "Protection.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerKinds.h"

#include <windows.h>

namespace {

const DWORD kNameBufferChars = 128;
const DWORD kDirectoryBufferBytes = 128;
const DWORD kDriveStringsChars = 255;
const char kMondrelExecutable[] = "VSERVER.EXE";
const char kMondrelDatabase[] = "MONCFG.VSF";

CString ComputerName()
{
    char name[kNameBufferChars];
    DWORD size = kNameBufferChars;
    if (!GetComputerNameA(name, &size))
        return CString();
    return CString(name, size < kNameBufferChars ? static_cast<int>(size) : 0);
}

// The first subkey's name (enumeration index 0); empty when there is none or it does not fit.
CString FirstSubkeyName(const CKey& key)
{
    char name[kNameBufferChars];
    DWORD size = kNameBufferChars;
    if (key.EnumKey(0, name, size) != ERROR_SUCCESS)
        return CString();
    return CString(name, size < kNameBufferChars ? static_cast<int>(size) : 0);
}

CString DirectoryFromRegistry(const RegistryProbe& probe, CRunLog* log)
{
    CKey product;
    const char* productKey = nullptr;
    for (const char* candidate : probe.productKeys) {
        if (!candidate)
            continue;
        LONG opened = product.Open(HKEY_LOCAL_MACHINE, candidate, KEY_READ);
        CString outcome = opened == ERROR_SUCCESS ? CString(": opened") : ": cannot be opened, error " + CRunLog::Number(opened);
        LogLine(log, CString("  key HKLM\\") + candidate + outcome);
        if (opened == ERROR_SUCCESS) {
            productKey = candidate;
            break;
        }
    }
    if (!productKey)
        return CString();
    CString version = FirstSubkeyName(product);
    if (version.IsEmpty()) {
        LogLine(log, "  no version key under it (or its name does not fit 127 characters)");
        return CString();
    }
    CKey versionKey;
    if (versionKey.Open(HKEY_LOCAL_MACHINE, CString(productKey) + "\\" + version, KEY_READ) != ERROR_SUCCESS) {
        LogLine(log, CString("  version key ") + CRunLog::Quoted(version) + " cannot be opened");
        return CString();
    }
    CString directory = versionKey.QueryString(probe.directoryValue, kDirectoryBufferBytes);
    LogLine(log, CString("  version key ") + CRunLog::Quoted(version) + ", value " + CRunLog::Quoted(probe.directoryValue) +
                     " = " + CRunLog::Quoted(directory) +
                     (directory.IsEmpty() ? " (missing, not a string, or too long for 127 characters)" : ""));
    return directory;
}

// The existence check: the file must open for reading while nobody else holds it. The system's
// error code when it does not. A file another program holds is there all the same (see
// CountsAsThere).
DWORD OpenUnsharedError(const CString& path)
{
    if (path.IsEmpty())
        return ERROR_PATH_NOT_FOUND;
    CFileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() ? NO_ERROR : GetLastError();
}

// A server whose file is held open (by the server itself, or by a reader) is installed all the
// same: counting it absent would let the uninstall skip it and leave its rules pointing into the
// folder the uninstall removes. The operation then meets the held file and fails visibly.
bool CountsAsThere(DWORD error)
{
    return error == NO_ERROR || error == ERROR_SHARING_VIOLATION;
}

CString OpenOutcome(DWORD error)
{
    switch (error) {
    case NO_ERROR: return "opens for reading with nobody else holding it: found";
    case ERROR_SHARING_VIOLATION: return "is held open by another program: found all the same";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "does not exist: not found";
    default: return CString("cannot be opened (error ") + CRunLog::Number(static_cast<long>(error)) + "): not found";
    }
}

CString DriveTypeName(UINT type)
{
    switch (type) {
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_REMOTE: return "network";
    case DRIVE_CDROM: return "CD-ROM";
    case DRIVE_RAMDISK: return "RAM disk";
    case DRIVE_NO_ROOT_DIR: return "no root folder";
    default: return "unknown";
    }
}

CString DatabasePath(const CString& directory)
{
    CString path(directory);
    EnsureTrailingBackslash(path);
    return path + kMondrelDatabase;
}

} // namespace

const RegistryProbe kBrellProbe = {
    {"SOFTWARE\\Pellan\\Mondrel Brell Webserver", "SOFTWARE\\Pellan\\Brell Webserver"}, "ETCpath", "HTTPD.CNF", false};
const RegistryProbe kSkylaneProbe = {{"SOFTWARE\\Corvane\\Skylane Server", nullptr}, "ETCpath", "HTTPD.CNF", false};
const RegistryProbe kCorvaneHttpdProbe = {
    {"SOFTWARE\\Corvane\\HTTP Server", nullptr}, "ServerRoot", "conf\\HTTPD.CONF", false};
const RegistryProbe kNetscapeProbe = {
    {"SOFTWARE\\Netscape\\Enterprise", nullptr}, "RootPath", "https-%s\\config\\OBJ.CONF", true};

bool IsUsableDirectory(const CString& directory)
{
    return directory.GetLength() > 3;
}

CString BuildConfigFilePath(const RegistryProbe& probe, const CString& directory, const CString& computerName)
{
    CString path(directory);
    EnsureTrailingBackslash(path);
    CString suffix(probe.suffix);
    int hole = suffix.Find(CString("%s"));
    if (hole >= 0)
        suffix = suffix.Left(hole) + computerName + suffix.Mid(hole + 2);
    return path + suffix;
}

void CServerDiscovery::ProbeRegistry(const RegistryProbe& probe, DiscoveredServer& server, CRunLog* log)
{
    CString computerName = probe.needsComputerName ? ComputerName() : CString();
    CString directory = DirectoryFromRegistry(probe, log);
    CString path;
    if (IsUsableDirectory(directory))
        path = BuildConfigFilePath(probe, directory, computerName);
    else if (!directory.IsEmpty())
        LogLine(log, "  a directory of 3 characters or fewer is no installation: not found");
    // The log is never the file a probe opens: a log that is that file is left out first.
    if (!path.IsEmpty())
        LogWork(log, [&](CRunLog& l) { l.StandAsideFrom(path); });
    DWORD error = OpenUnsharedError(path);
    server.found = CountsAsThere(error) ? 1 : 0;
    if (server.found)
        server.firstFile = path;
    if (!path.IsEmpty())
        LogLine(log, CString("  file ") + CRunLog::Quoted(path) + " " + OpenOutcome(error));
}

void CServerDiscovery::ProbeIis()
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion", KEY_READ) == ERROR_SUCCESS) {
        CString description = key.QueryString("Description", kDirectoryBufferBytes);
        m_servers[Iis].found = IsUsableDirectory(description) ? 1 : 0;
        LogLine(m_log, CString("  key HKLM\\SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion: opened; value \"Description\" = ") +
                           CRunLog::Quoted(description) +
                           (m_servers[Iis].found ? ": found" : ": not found (it must be a string of 4 to 127 characters)"));
        return;
    }
    CKey serviceType;
    m_servers[Iis].found = serviceType.Open(HKEY_LOCAL_MACHINE,
                                  "SYSTEM\\CurrentControlSet\\Control\\ServiceProvider\\ServiceTypes\\Microsoft "
                                  "Internet Information Server",
                                  KEY_READ) == ERROR_SUCCESS
                     ? 1
                     : 0;
    LogLine(m_log, CString("  no key HKLM\\SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion; the IIS service type key ") +
                       (m_servers[Iis].found ? "is there: found" : "is not there either: not found"));
}

std::vector<DriveRoot> DriveRoots()
{
    std::vector<DriveRoot> roots;
    char strings[kDriveStringsChars + 1] = {};
    DWORD length = GetLogicalDriveStringsA(kDriveStringsChars, strings);
    if (length == 0 || length > kDriveStringsChars)
        return roots;
    for (const char* root = strings; *root && root < strings + length; root += lstrlenA(root) + 1)
        roots.push_back({CString(root), GetDriveTypeA(root)});
    return roots;
}

std::vector<CString> FixedDriveRoots()
{
    std::vector<CString> roots;
    for (const DriveRoot& drive : DriveRoots()) {
        if (drive.type == DRIVE_FIXED)
            roots.push_back(drive.root);
    }
    return roots;
}

void CServerDiscovery::ProbeMondrel()
{
    if (m_log) {
        CString drives("  drives:");
        for (const DriveRoot& drive : DriveRoots())
            drives += CString(" ") + drive.root + " " + DriveTypeName(drive.type) + ";";
        m_log->Line(drives + " only the fixed ones are searched");
    }
    DiscoveredServer& mondrel = m_servers[Mondrel];
    // One breadth-first search, said in the log with the folders it read. The server's folder is
    // where its client library is loaded from, and the database is what the run edits: a match
    // that users may change is passed over, and the search goes on.
    auto find = [this](const CString& below, const char* name, CString& directory) {
        auto trusted = [this, name](const CString& folder) {
            const char* why = WhyNotTrusted(folder, name);
            if (*why)
                LogLine(m_log, CString("  passed over ") + CRunLog::Quoted(folder) + " (" + name + "): " + why);
            return *why == '\0';
        };
        int visited = 0;
        bool found = FindFileInTree(below, CString(name), directory, &visited, trusted);
        LogLine(m_log, CString("  searched ") + CRunLog::Quoted(below) + " for " + name + ": " +
                           (found ? CString("found in ") + CRunLog::Quoted(directory) : CString("not there")) + " (" +
                           CRunLog::Number(visited) + " folders read)");
        return found;
    };
    auto findDatabase = [&mondrel, &find](const CString& below) {
        CString directory;
        if (!find(below, kMondrelDatabase, directory))
            return false;
        mondrel.found = 1;
        mondrel.firstFile = DatabasePath(directory);
        return true;
    };
    bool executableFound = false;
    for (const CString& root : FixedDriveRoots()) {
        CString directory;
        if (!executableFound && find(root, kMondrelExecutable, directory)) {
            executableFound = true;
            mondrel.secondFile = directory;
            // The server's own folder first, then the whole drive and the drives after it.
            if (findDatabase(directory))
                return;
        }
        if (executableFound && findDatabase(root))
            return;
    }
}

void CServerDiscovery::DiscoverAll()
{
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const ServerKindRow& row = KindRow(static_cast<ServerKind>(kind));
        LogLine(m_log, row.probeLine);
        if (row.probe)
            ProbeRegistry(*row.probe, m_servers[kind], m_log);
        else if (row.store == StoreKind::Database)
            ProbeMondrel();
        else
            ProbeIis();
    }
}
