#include "ServerDiscovery.h"

#include "FindFileInTree.h"
#include "PathText.h"
#include "RegistryKey.h"

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

CString DirectoryFromRegistry(const RegistryProbe& probe)
{
    CKey product;
    const char* productKey = nullptr;
    for (const char* candidate : probe.productKeys) {
        if (candidate && product.Open(HKEY_LOCAL_MACHINE, candidate, KEY_READ) == ERROR_SUCCESS) {
            productKey = candidate;
            break;
        }
    }
    if (!productKey)
        return CString();
    CString version = FirstSubkeyName(product);
    if (version.IsEmpty())
        return CString();
    CKey versionKey;
    if (versionKey.Open(HKEY_LOCAL_MACHINE, CString(productKey) + "\\" + version, KEY_READ) != ERROR_SUCCESS)
        return CString();
    return versionKey.QueryString(probe.directoryValue, kDirectoryBufferBytes);
}

// The existence check: the file must open for reading while nobody else holds it.
bool OpensUnshared(const CString& path)
{
    if (path.IsEmpty())
        return false;
    CFileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
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

void CServerDiscovery::ProbeRegistry(const RegistryProbe& probe, DiscoveredServer& server)
{
    CString computerName = probe.needsComputerName ? ComputerName() : CString();
    CString directory = DirectoryFromRegistry(probe);
    CString path;
    if (IsUsableDirectory(directory))
        path = BuildConfigFilePath(probe, directory, computerName);
    server.found = OpensUnshared(path) ? 1 : 0;
    if (server.found)
        server.firstFile = path;
}

void CServerDiscovery::ProbeIis()
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion", KEY_READ) == ERROR_SUCCESS) {
        m_servers[Iis].found = IsUsableDirectory(key.QueryString("Description", kDirectoryBufferBytes)) ? 1 : 0;
        return;
    }
    CKey serviceType;
    m_servers[Iis].found = serviceType.Open(HKEY_LOCAL_MACHINE,
                                  "SYSTEM\\CurrentControlSet\\Control\\ServiceProvider\\ServiceTypes\\Microsoft "
                                  "Internet Information Server",
                                  KEY_READ) == ERROR_SUCCESS
                     ? 1
                     : 0;
}

std::vector<CString> FixedDriveRoots()
{
    std::vector<CString> roots;
    char strings[kDriveStringsChars + 1] = {};
    DWORD length = GetLogicalDriveStringsA(kDriveStringsChars, strings);
    if (length == 0 || length > kDriveStringsChars)
        return roots;
    for (const char* root = strings; *root && root < strings + length; root += lstrlenA(root) + 1) {
        if (GetDriveTypeA(root) == DRIVE_FIXED)
            roots.push_back(CString(root));
    }
    return roots;
}

void CServerDiscovery::ProbeMondrel()
{
    DiscoveredServer& mondrel = m_servers[Mondrel];
    auto findDatabase = [&mondrel](const CString& below) {
        CString directory;
        if (!FindFileInTree(below, CString(kMondrelDatabase), directory))
            return false;
        mondrel.found = 1;
        mondrel.firstFile = DatabasePath(directory);
        return true;
    };
    bool executableFound = false;
    for (const CString& root : FixedDriveRoots()) {
        CString directory;
        if (!executableFound && FindFileInTree(root, CString(kMondrelExecutable), directory)) {
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
    ProbeMondrel();
    ProbeRegistry(kBrellProbe, m_servers[Brell]);
    ProbeRegistry(kSkylaneProbe, m_servers[Skylane]);
    ProbeIis();
    ProbeRegistry(kCorvaneHttpdProbe, m_servers[CorvaneHttpd]);
    ProbeRegistry(kNetscapeProbe, m_servers[Netscape]);
}
