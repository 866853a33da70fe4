#include "PreviewScratch.h"

#include "PathText.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerStores.h"
#include "UniqueHandle.h"
#include "ValueEnumeration.h"
#include "vpsetup.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

// What a copy keeps of its original besides the bytes: a read-only file stays refused, and the
// others are what a rewrite carries over.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// The system reads the path's last part, double-byte characters included.
CString FileNameOf(const CString& path)
{
    int nameAt = 0;
    return FullPathOf(path, &nameAt).Mid(nameAt);
}

// NotTheOriginal: it could not be opened; NotToItsEnd: it was opened but a read failed (a range
// another program locks, a disk failing), which the copy cannot show.
enum class Copied { Yes, NotTheOriginal, NotToItsEnd, NotTheCopy };

// Copies through a handle opened with the sharing given. The copy is made first, so that it stands
// (empty) where other programs hold its original so that none of it may be read. A copy that
// cannot be written is another matter: the operation would not meet that.
Copied CopyAsOpened(const CString& from, const CString& to, SECURITY_ATTRIBUTES* narrow, DWORD sharing)
{
    CFileHandle target(CreateFileA(to, GENERIC_WRITE, 0, narrow, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target)
        return Copied::NotTheCopy;
    CFileHandle source(CreateFileA(from, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source)
        return Copied::NotTheOriginal;
    static char block[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.Get(), block, sizeof block, &got, nullptr))
            return Copied::NotToItsEnd;
        if (got == 0)
            return Copied::Yes;
        DWORD wrote = 0;
        if (!WriteFile(target.Get(), block, got, &wrote, nullptr) || wrote != got)
            return Copied::NotTheCopy;
    }
}


const char kFolderPrefix[] = "vpsetup-preview-";

// Whether the folder is one a preview made: not a link, owned by administration or this user,
// and no one else may change it.
bool IsPreviewFolder(const CString& folder, DWORD attributes, const CNarrowSecurity& narrow)
{
    CReadSecurity security;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           security.FromFile(folder) && security.OwnerIsOneOf(narrow.Holders()) &&
           !security.AllowsOthers(kFileChangeRights, narrow.Holders());
}

// Empties and removes a folder of a preview's: its numbered folders, and in them the copies and
// the temporary names made beside them; links are not followed.
void RemovePreviewFolder(const CString& folder, int depth)
{
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(folder + "\\*", &found));
    for (bool more = find.IsValid(); more; more = FindNextFileA(find.Get(), &found) != FALSE) {
        const CString entry = folder + "\\" + found.cFileName;
        if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0)
            continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth > 0)
            RemovePreviewFolder(entry, depth - 1);
        else if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA(entry, FILE_ATTRIBUTE_NORMAL), DeleteFileA(entry);
    }
    find.Reset();
    RemoveDirectoryA(folder);
}

// A preview's folder holds only the numbered folders of its copies; one holding anything else is
// somebody's own and stays.
bool HoldsOnlyNumberedFolders(const CString& folder)
{
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(folder + "\\*", &found));
    for (bool more = find.IsValid(); more; more = FindNextFileA(find.Get(), &found) != FALSE) {
        const bool dots = lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0;
        if (!dots && (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                      found.cFileName[strspn(found.cFileName, "0123456789")] != '\0'))
            return false;
    }
    return true;
}

// Gone only when the system knows no such process; one we may not open may still run.
bool ProcessIsGone(DWORD process)
{
    CKernelHandle running(OpenProcess(SYNCHRONIZE, FALSE, process));
    return running ? WaitForSingleObject(running.Get(), 0) != WAIT_TIMEOUT : GetLastError() == ERROR_INVALID_PARAMETER;
}

// A name of ours: the prefix, then a process number alone or with a second number after a '-'.
bool NumberedName(const char* name, const char* prefix, DWORD& process)
{
    const size_t prefixLength = strlen(prefix);
    if (_strnicmp(name, prefix, prefixLength) != 0)
        return false;
    const char* number = name + prefixLength;
    char* end = nullptr;
    process = strtoul(number, &end, 10);
    return end != number && (!*end || (*end == '-' && isdigit(static_cast<unsigned char>(end[1])) &&
                                       end[1 + strspn(end + 1, "0123456789")] == '\0'));
}

// A preview killed before its end (while an error box waited, say) leaves its folder: the next
// preview removes every one whose process is gone.
void RemoveLeftovers(const CString& temp, const CNarrowSecurity& narrow)
{
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(temp + kFolderPrefix + "*", &found));
    for (bool more = find.IsValid(); more; more = FindNextFileA(find.Get(), &found) != FALSE) {
        // Only our names: the process number, and a second number where that name was taken.
        DWORD process = 0;
        if (!NumberedName(found.cFileName, kFolderPrefix, process) || !ProcessIsGone(process))
            continue;
        if (IsPreviewFolder(temp + found.cFileName, found.dwFileAttributes, narrow) &&
            HoldsOnlyNumberedFolders(temp + found.cFileName))
            RemovePreviewFolder(temp + found.cFileName, 2);
    }
}

// The rights the IIS operation asks for when it opens the roots: to read them, to write a root,
// and to delete one.
const REGSAM kRootsOpenings[] = {KEY_READ, KEY_READ | KEY_WRITE, KEY_ALL_ACCESS};

// What of the roots key this process may open, as the operation opens it: the most of the
// openings that succeeds, or 0.
REGSAM RootsRights()
{
    REGSAM granted = 0;
    for (REGSAM rights : kRootsOpenings) {
        CKey roots;
        if (roots.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, rights) == ERROR_SUCCESS)
            granted = rights;
    }
    return granted;
}

// Every value of the roots key into the copy, through the wide calls: a name that the ANSI calls
// would show folded keeps its own letters, so the operation meets it as on the roots.
LONG CopyRoots(HKEY roots, HKEY copy)
{
    CValueEnumeration<wchar_t> each(roots);
    for (DWORD index = 0;; ++index) {
        LONG result = each.Read(index);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_SUCCESS) {
            const std::wstring name(each.Name(), each.NameChars());
            result = RegSetValueExW(copy, name.c_str(), 0, each.Type(), each.Data(), each.DataBytes());
        }
        if (result != ERROR_SUCCESS)
            return result;
    }
}

// Keys of previews killed before their end, as their folders: ours by name and protection, their
// process gone. A key holding a subkey is none of ours, and stays.
void RemoveLeftoverRootsCopies()
{
    CNarrowSecurity everyRight(CNarrowSecurity::AdministratorsOnly, KEY_ALL_ACCESS, 0);
    CKey software;
    if (software.Open(HKEY_LOCAL_MACHINE, kPreviewRootsParent, KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS)
        return;
    std::vector<CString> gone;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD chars = sizeof name;
        if (RegEnumKeyExA(software, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD process = 0;
        if (NumberedName(name, kPreviewRootsPrefix, process) && ProcessIsGone(process))
            gone.push_back(CString(name));
    }
    for (const CString& leftover : gone) {
        // Administration may always give it back every right, which deleting it needs.
        CKey key;
        CReadSecurity security;
        const CString path = CString(kPreviewRootsParent) + "\\" + leftover;
        if (key.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL | WRITE_DAC) != ERROR_SUCCESS || !security.FromKey(key) ||
            !security.OwnerIsOneOf(everyRight.Holders()) || security.AllowsOthers(kKeyChangeRights, everyRight.Holders()))
            continue;
        if (everyRight.IsValid() && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, everyRight.Descriptor()) == ERROR_SUCCESS)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    }
}

} // namespace

bool CPreviewScratch::RootsCopy(CString& key)
{
    if (!m_rootsCopyHanded.IsEmpty()) {
        key = m_rootsCopyHanded;
        return true;
    }
    RemoveLeftoverRootsCopies();
    const CString path = CString(kPreviewRootsParent) + "\\" + kPreviewRootsPrefix +
                         CRunLog::Number(static_cast<long>(GetCurrentProcessId()));
    // Administration's alone, as the roots are. Besides what the roots let this process do, the
    // rights an owner has by its ownership, spelled out where a system does not give them so:
    // none of the operation's openings asks for less than they give.
    CNarrowSecurity everyRight(CNarrowSecurity::AdministratorsOnly, KEY_ALL_ACCESS, 0);
    CNarrowSecurity asOnRoots(CNarrowSecurity::AdministratorsOnly, RootsRights() | READ_CONTROL | WRITE_DAC, 0);
    if (!everyRight.IsValid() || !asOnRoots.IsValid()) {
        m_error = ERROR_INVALID_SECURITY_DESCR;
        return false;
    }
    // Made new, never taken over: a key of that name someone else made goes first, or nothing is made.
    DWORD disposition = 0;
    for (int attempt = 0; attempt < 2 && disposition != REG_CREATED_NEW_KEY; ++attempt) {
        m_rootsCopyKey.Reset();
        if (attempt > 0)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        m_error = static_cast<DWORD>(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE,
                                                     KEY_ALL_ACCESS, everyRight.Attributes(),
                                                     m_rootsCopyKey.Receive(), &disposition));
        if (m_error != ERROR_SUCCESS)
            return false;
    }
    if (disposition != REG_CREATED_NEW_KEY) {
        m_rootsCopyKey.Reset();
        m_error = ERROR_ALREADY_EXISTS;
        return false;
    }
    m_rootsCopy = path;
    // No roots key: the operation is handed a key below the copy that is not there either, and
    // meets what it meets on the roots (no one else may make keys below the copy).
    CKey roots;
    const LONG opened = roots.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, KEY_READ);
    m_error = static_cast<DWORD>(opened == ERROR_SUCCESS ? CopyRoots(roots, m_rootsCopyKey.Get()) : ERROR_SUCCESS);
    if (m_error == ERROR_SUCCESS)
        m_error = static_cast<DWORD>(RegSetKeySecurity(m_rootsCopyKey.Get(), asOnRoots.Parts(), asOnRoots.Descriptor()));
    if (m_error != ERROR_SUCCESS) {
        DropRootsCopy(); // a copy not made whole is no copy for a later operation either
        return false;
    }
    m_rootsCopyHanded = opened == ERROR_FILE_NOT_FOUND ? path + "\\absent" : path;
    key = m_rootsCopyHanded;
    return true;
}

void CPreviewScratch::DropRootsCopy()
{
    if (m_rootsCopyKey) {
        CNarrowSecurity everyRight(CNarrowSecurity::AdministratorsOnly, KEY_ALL_ACCESS, 0);
        if (everyRight.IsValid())
            RegSetKeySecurity(m_rootsCopyKey.Get(), DACL_SECURITY_INFORMATION, everyRight.Descriptor());
        m_rootsCopyKey.Reset();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_rootsCopy);
    }
    m_rootsCopy.Empty();
    m_rootsCopyHanded.Empty();
}

CPreviewScratch::~CPreviewScratch()
{
    DropRootsCopy();
    m_holds.clear();
    if (m_folder.IsEmpty())
        return;
    for (const Copy& copy : m_copies) {
        Remove(copy.temporary);
        Remove(copy.copy);
    }
    for (int i = m_folders; i > 0; --i)
        RemoveDirectoryA(m_folder + "\\" + CRunLog::Number(i));
    RemoveDirectoryA(m_folder);
}

bool CPreviewScratch::Make()
{
    m_triedFolder = true;
    if (!m_narrow.IsValid()) {
        m_error = ERROR_INVALID_SECURITY_DESCR;
        return false;
    }
    char temp[MAX_PATH + 1] = "";
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        m_error = length == 0 ? GetLastError() : ERROR_BUFFER_OVERFLOW;
        return false;
    }
    CString base(temp, static_cast<int>(length));
    EnsureTrailingBackslash(base);
    RemoveLeftovers(base, m_narrow);
    base += kFolderPrefix + CRunLog::Number(static_cast<long>(GetCurrentProcessId()));
    // A folder left by an earlier process of the same number is not ours to reuse.
    for (int attempt = 0; attempt < 100; ++attempt) {
        CString folder = attempt == 0 ? base : base + "-" + CRunLog::Number(attempt);
        if (CreateDirectoryA(folder, m_narrow.Attributes())) {
            m_folder = folder;
            return true;
        }
        m_error = GetLastError();
        if (m_error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

CString CPreviewScratch::NewFolder()
{
    CString folder = m_folder + "\\" + CRunLog::Number(m_folders + 1);
    if (!CreateDirectoryA(folder, m_narrow.Attributes()))
        return CString();
    ++m_folders;
    return folder;
}

void CPreviewScratch::Remove(const CString& path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(path);
        return;
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

bool CPreviewScratch::CopyOf(const CFileStore& store, CString& copy)
{
    if (m_folder.IsEmpty() && m_triedFolder)
        return m_error = m_folderError, false;
    if (m_folder.IsEmpty() && !Make())
        return m_folderError = m_error, false;
    const CString& path = store.File();
    const DWORD sharing = store.SharingWhileRead();
    FileIdentity identity;
    const bool identified = IdentityOf(path, identity);
    for (const Copy& made : m_copies) {
        // A file of several links is replaced under one name only: each name is then its own copy.
        if (made.original.EqualsNoCase(path) ||
            (identified && made.identified && identity.links == 1 && made.identity == identity)) {
            copy = made.copy;
            return true;
        }
    }
    CString folder = NewFolder();
    CString name = FileNameOf(path);
    if (folder.IsEmpty()) {
        m_error = GetLastError();
        return false;
    }
    if (name.IsEmpty()) {
        copy = folder + "\\nothing"; // no file of that name: the operation finds nothing either
        return true;
    }
    copy = folder + "\\" + name;
    const CString copyTemporary = store.TemporaryName(copy);

    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A folder where the file should be is met as a folder.
        if (!CreateDirectoryA(copy, m_narrow.Attributes()))
            return m_error = GetLastError(), false;
        m_copies.push_back({path, copy, copyTemporary, identified, identity});
        return true;
    }
    // Copied as the operation opens it; where other programs hold it, with what they let be read
    // (no one may read more of it), and then held as they hold it, so that the operation meets
    // the copy as it would meet the original.
    const Holding holding = attributes == INVALID_FILE_ATTRIBUTES ? Holding() : HoldingOf(path);
    Copied copied = attributes == INVALID_FILE_ATTRIBUTES
                        ? Copied::NotTheOriginal
                        : CopyAsOpened(path, copy, m_narrow.Attributes(), holding.Held() ? Holding::kEveryShare : sharing);
    if (copied == Copied::NotTheOriginal && holding.Held())
        copied = Copied::Yes;
    if (copied == Copied::NotTheCopy || copied == Copied::NotToItsEnd) {
        m_error = GetLastError();
        Remove(copy);
        return false;
    }
    m_copies.push_back({path, copy, copyTemporary, identified, identity});
    if (copied == Copied::NotTheOriginal) {
        Remove(copy);
        return true; // nothing there: the operation finds what it would find
    }
    SetFileAttributesA(copy, attributes & kKeptAttributes);
    if (!HoldAsHeld(copy, holding))
        return false;

    // The temporary name beside the original: a read-only file there cannot be removed, nor one
    // that another program holds. The copy's folder meets the same.
    const CString temporary = store.TemporaryName(path);
    const DWORD temporaryAttributes = temporary.IsEmpty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(temporary);
    if (temporaryAttributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (temporaryAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CreateDirectoryA(copyTemporary, m_narrow.Attributes());
        return true;
    }
    // The writer removes it first: one that another program holds is made and held the same way
    // beside the copy; one this process may not delete stands there as a folder, which no one
    // may delete as a file either.
    const Holding temporaryHolding = HoldingOf(temporary);
    if (!temporaryHolding.Held() && !CFileHandle(CreateFileA(temporary, DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr))) {
        CreateDirectoryA(copyTemporary, m_narrow.Attributes());
        return true;
    }
    CFileHandle(CreateFileA(copyTemporary, GENERIC_WRITE, 0, m_narrow.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    SetFileAttributesA(copyTemporary, temporaryAttributes & kKeptAttributes);
    return HoldAsHeld(copyTemporary, temporaryHolding);
}

CPreviewScratch::Holding CPreviewScratch::HoldingOf(const CString& path)
{
    static const struct {
        DWORD access, share;
    } kRights[] = {{GENERIC_READ, FILE_SHARE_READ}, {GENERIC_WRITE, FILE_SHARE_WRITE}, {DELETE, FILE_SHARE_DELETE}};
    auto refused = [&](DWORD access, DWORD sharing, bool& opened) {
        CFileHandle file(CreateFileA(path, access, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
        opened = file.IsValid();
        return !opened && GetLastError() == ERROR_SHARING_VIOLATION;
    };
    Holding holding;
    DWORD asking = 0; // a right the holders let others have, to ask with below
    for (const auto& right : kRights) {
        bool opened = false;
        if (refused(right.access, Holding::kEveryShare, opened))
            holding.sharing &= ~right.share;
        else if (opened && !asking)
            asking = right.access;
    }
    // Asking with a right they share, but without sharing one they hold, is refused.
    for (const auto& right : kRights) {
        bool opened = false;
        if (asking && refused(asking, Holding::kEveryShare & ~right.share, opened))
            holding.access |= right.access;
    }
    // Holders that share nothing refuse everyone, whatever they hold.
    if (!asking && holding.sharing != Holding::kEveryShare)
        holding.access = GENERIC_READ;
    return holding;
}

bool CPreviewScratch::HoldAsHeld(const CString& copy, const Holding& holding)
{
    if (!holding.Held())
        return true;
    m_holds.emplace_back(CreateFileA(copy, holding.access, holding.sharing, nullptr, OPEN_EXISTING, 0, nullptr));
    return m_holds.back() ? true : (m_error = GetLastError(), false);
}
