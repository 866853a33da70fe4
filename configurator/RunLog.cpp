#include "RunLog.h"

#include "FileIdentity.h"
#include "PathText.h"
#include "Protection.h"
#include "ServerKinds.h"
#include "ServerStores.h"

#include <windows.h>

namespace {

// Names that open a device, not a file, in any folder and with any extension.
const char* const kDeviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",   "COM3",    "COM4",  "COM5",
                                    "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",    "LPT4",  "LPT5",
                                    "LPT6", "LPT7", "LPT8", "LPT9", "CLOCK$", "CONIN$", "CONOUT$"};
// The template is read by its bare name from the current directory.
const char kTemplateName[] = "vpsetup.ini";

const char kQuietNote[] = "the log stops here: its own work failed (out of memory, most likely); the run goes on "
                          "without it\r\n";

// The last part of a path: after the drive and the last backslash or slash, read by character
// so that the second byte of a double-byte character is not taken for one.
CString FinalName(const CString& path)
{
    const int afterDrive = path.GetLength() >= 2 && path[1] == ':' ? 2 : 0;
    const int start = FinalPartStart(path, true);
    return path.Mid(start > afterDrive ? start : afterDrive);
}

// The system ignores dots and blanks at the end of a name, and blanks before a device name's
// extension.
CString WithoutTrailing(CString name, const char* what)
{
    while (!name.IsEmpty() && CString(what).Find(name.GetLast()) >= 0)
        name.Truncate(name.GetLength() - 1);
    return name;
}

bool IsOneOf(const CString& name, const char* const* names, int count)
{
    for (int i = 0; i < count; ++i)
        if (name.EqualsNoCase(CString(names[i])))
            return true;
    return false;
}

bool IsDeviceName(const CString& path)
{
    CString name = FinalName(path);
    int dot = name.Find('.');
    CString base = WithoutTrailing(dot < 0 ? name : name.Left(dot), " ");
    return IsOneOf(base, kDeviceNames, sizeof kDeviceNames / sizeof kDeviceNames[0]);
}

// Owned by one of the holders, and no one else may write, delete or change its protection; judged
// on the handle the log writes through.
bool IsNarrow(HANDLE file, const std::vector<CSid>& holders)
{
    CReadSecurity security;
    return security.FromHandle(file) && security.OwnerIsOneOf(holders) &&
           !security.AllowsOthers(kFileChangeRights, holders);
}

bool WriteAll(HANDLE file, const char* text, DWORD length)
{
    DWORD wrote = 0;
    return WriteFile(file, text, length, &wrote, nullptr) && wrote == length;
}

char HexDigit(int value)
{
    return "0123456789ABCDEF"[value & 15];
}

} // namespace

bool CRunLog::IsRefusedName(const CString& path)
{
    // The device namespace, and a colon past a drive's (a device's "COM1:" or a file's stream).
    if (path.Left(4) == "\\\\.\\" || path.Find(':', 2) >= 0 || IsDeviceName(path))
        return true;
    CString name = WithoutTrailing(FinalName(path), ". ");
    // The files a run reads or rewrites have fixed names, and so have their writers' temporary files.
    if (name.EqualsNoCase(CString(kTemplateName)))
        return true;
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        const ServerKindRow& row = KindRow(static_cast<ServerKind>(kind));
        if (!row.fileName)
            continue;
        for (const CString& file : CServerStore::Of(row.kind, CString(row.fileName), CString())->FilesInUse())
            if (name.EqualsNoCase(file))
                return true;
    }
    return false;
}

bool CRunLog::Open(const CString& path, const std::vector<CString>& filesInUse)
{
    // Refused by name before anything is opened: opening a device may wait on it, and opening
    // a file the run is yet to make would make it.
    if (IsRefusedName(path))
        return false;
    const CString fullPath = FullPathOf(path);
    for (const CString& file : filesInUse)
        if (!fullPath.IsEmpty() && fullPath.EqualsNoCase(FullPathOf(file)))
            return false;
    DWORD attributes = GetFileAttributesA(path);
    // Read-only is a refusal even where the system would let a privileged process write.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    // A new log lets in only Administrators, SYSTEM and the running user from the moment it exists.
    CNarrowSecurity narrow(CNarrowSecurity::AdministratorsAndMe, FILE_ALL_ACCESS, 0);
    if (!narrow.IsValid())
        return false;
    HANDLE opened = CreateFileA(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ,
                                narrow.Attributes(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool wasThere = GetLastError() == ERROR_ALREADY_EXISTS;
    m_file.Reset(opened);
    if (!IsOn())
        return false;
    // A log that was there already is appended to only when it is as narrow as a new one: a file
    // someone else made, or may change, would show a setup their lines as ours.
    if (wasThere && VolumeKeepsSecurity(path) && !IsNarrow(m_file.Get(), narrow.Holders())) {
        m_file.Reset();
        return false;
    }
    // Only a plain disk file that no other name reaches: a second link would make the run append
    // to a file its name does not show.
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(m_file.Get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(m_file.Get(), &information) ||
        information.nNumberOfLinks != 1 || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !IdentityOf(m_file.Get(), m_identity)) {
        m_file.Reset();
        return false;
    }
    if (StandAsideFrom(CString(kTemplateName)))
        return false;
    for (const CString& file : filesInUse)
        if (StandAsideFrom(file))
            return false;
    if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        m_file.Reset();
    return IsOn();
}

bool CRunLog::StandAsideFrom(const CString& path)
{
    if (!m_file.IsValid() || path.IsEmpty() || IsDeviceName(path))
        return false;
    FileIdentity other;
    if (!IdentityOf(path, other) || !(other == m_identity))
        return false;
    m_file.Reset();
    return true;
}

void CRunLog::Line(const CString& text)
{
    if (!IsOn())
        return;
    if (m_inMemory) {
        try {
            m_text += text;
            m_text += "\r\n";
        } catch (...) {
            m_inMemory = false;
        }
        return;
    }
    if (!WriteAll(m_file.Get(), text.c_str(), static_cast<DWORD>(text.GetLength())) || !WriteAll(m_file.Get(), "\r\n", 2))
        m_file.Reset();
}

void CRunLog::GoQuiet()
{
    if (m_inMemory) {
        // The text so far is still shown.
        m_inMemory = false;
        try {
            m_text += kQuietNote;
        } catch (...) {
        }
    }
    if (m_file.IsValid())
        WriteAll(m_file.Get(), kQuietNote, sizeof kQuietNote - 1);
    m_file.Reset();
}

CString CRunLog::Quoted(const CString& text)
{
    const int shownLength = text.GetLength() < kLongestText ? text.GetLength() : kLongestText;
    // Each byte shown takes at most four characters, between the quotes.
    char shown[kLongestText * 4 + 2];
    int at = 0;
    shown[at++] = '"';
    for (int i = 0; i < shownLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            shown[at++] = '\\';
            shown[at++] = 'x';
            shown[at++] = HexDigit(c >> 4);
            shown[at++] = HexDigit(c);
        } else {
            shown[at++] = static_cast<char>(c);
        }
    }
    shown[at++] = '"';
    CString quoted(shown, at);
    if (text.GetLength() > kLongestText)
        quoted += CString("... (cut, ") + Number(text.GetLength()) + " characters in all)";
    return quoted;
}

CString CRunLog::SystemError(DWORD error)
{
    CString said = CString("error ") + Number(static_cast<long>(error));
    char* words = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<char*>(&words), 0, nullptr);
    if (length > 0 && words) {
        CString text(words, static_cast<int>(length));
        text.Trim();
        // One line, without the sentence's full stop.
        while (!text.IsEmpty() && text[text.GetLength() - 1] == '.')
            text = text.Left(text.GetLength() - 1);
        for (int i = 0; i < text.GetLength(); ++i) {
            if (text[i] == '\r' || text[i] == '\n')
                text = text.Left(i) + " " + text.Mid(i + 1);
        }
        if (!text.IsEmpty())
            said += CString(": ") + text;
    }
    if (words)
        LocalFree(words);
    return said;
}

CString CRunLog::Number(long value)
{
    char text[24];
    wsprintfA(text, "%ld", value);
    return CString(text);
}
