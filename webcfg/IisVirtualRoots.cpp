#include "IisVirtualRoots.h"

#include "OperationError.h"
#include "RegistryKey.h"

#include <windows.h>

#include <new>

namespace {

const char kIisSection[] = "[MS IIS]";
const DWORD kNameBufferChars = 200;
const DWORD kDataBufferBytes = 100;
const REGSAM kReadWriteAccess = KEY_READ | KEY_WRITE; // 0x2001F

CString Field(const CString& text, int& pos)
{
    if (pos > text.GetLength())
        return CString();
    int comma = text.Find(',', pos);
    int end = comma < 0 ? text.GetLength() : comma;
    CString field = text.Mid(pos, end - pos);
    pos = comma < 0 ? text.GetLength() + 1 : comma + 1;
    return field;
}

} // namespace

VirtualRoot ParseVirtualRoot(const CString& name, const char* data, int dataBytes)
{
    int textLength = 0;
    while (textLength < dataBytes && data[textLength] != '\0')
        ++textLength;
    CString text(data, textLength);
    int pos = 0;
    VirtualRoot root;
    root.name = name;
    root.directory = Field(text, pos);
    Field(text, pos); // the second field is not kept
    root.flags = Field(text, pos);
    return root;
}

CString FormatVirtualRootData(const TemplateEntry& entry)
{
    return entry.targetPath + ",," + entry.directiveName;
}

namespace {
const auto kRootEqualsEntry = EqualNoCase(&VirtualRoot::name, &VirtualRoot::directory, &VirtualRoot::flags);
}

std::vector<VirtualRootStep> PlanVirtualRootSteps(const std::vector<VirtualRoot>& snapshot,
                                                  const std::vector<TemplateEntry>& entries)
{
    return PlanEntrySteps(entries, snapshot, kRootEqualsEntry, SameKeyNoCase(&VirtualRoot::name));
}

bool IsOwnVirtualRoot(const VirtualRoot& root, const std::vector<TemplateEntry>& entries)
{
    return EqualsAnyEntry(root, entries, kRootEqualsEntry);
}

bool ReadVirtualRoots(std::vector<VirtualRoot>& snapshot, const char* rootsKey)
{
    CKey key;
    const LONG opened = key.Open(HKEY_LOCAL_MACHINE, rootsKey, KEY_READ);
    if (opened != ERROR_SUCCESS)
        return operation_error::Keep(static_cast<DWORD>(opened)), false;
    for (DWORD index = 0;; ++index) {
        char name[kNameBufferChars];
        BYTE data[kDataBufferBytes];
        DWORD nameChars = kNameBufferChars;
        DWORD dataBytes = kDataBufferBytes;
        if (key.EnumValue(index, name, nameChars, data, dataBytes) != ERROR_SUCCESS)
            break;
        if (nameChars >= kNameBufferChars)
            nameChars = kNameBufferChars - 1;
        if (dataBytes > kDataBufferBytes)
            dataBytes = kDataBufferBytes;
        snapshot.push_back(ParseVirtualRoot(CString(name, static_cast<int>(nameChars)),
                                            reinterpret_cast<const char*>(data), static_cast<int>(dataBytes)));
    }
    return true;
}

namespace {

// Room for one value of the key as the enumeration returns it, grown when a value asks for more.
class CValueRoom {
public:
    // Names are at most 16,383 characters, each of one or two bytes in the ANSI code page.
    static const DWORD kLongestName = 2 * 16383 + 1;

    CValueRoom() : m_name(kNameBufferChars), m_data(kDataBufferBytes) {}

    // Room for the longest name (without its zero) and data the key says it holds, where memory
    // allows; a value that then still does not fit makes room for itself.
    void Expect(DWORD nameChars, DWORD dataBytes)
    {
        if (nameChars < kLongestName && nameChars >= m_name.size())
            Resize(m_name, nameChars + 1);
        if (dataBytes > m_data.size())
            Resize(m_data, dataBytes);
    }

    // Value `index` into `root`; ERROR_SUCCESS, ERROR_NO_MORE_ITEMS, or why it cannot be read.
    // `nameRead` says whether its name could be read, and is in root.name then.
    LONG Read(const CKey& key, DWORD index, VirtualRoot& root, bool& nameRead)
    {
        nameRead = false;
        LONG result = ERROR_MORE_DATA;
        // The name's room doubles up to the longest name; a value may also grow between two
        // calls. The rounds bound the chase.
        for (int round = 0; round < 16 && result == ERROR_MORE_DATA; ++round) {
            DWORD nameChars = static_cast<DWORD>(m_name.size());
            DWORD dataBytes = static_cast<DWORD>(m_data.size());
            result = key.EnumValue(index, m_name.data(), nameChars, m_data.data(), dataBytes);
            if (result == ERROR_SUCCESS) {
                root = ParseVirtualRoot(Name(nameChars), m_data.data(), static_cast<int>(dataBytes));
                nameRead = true;
            } else if (result == ERROR_MORE_DATA && !Grow(dataBytes)) {
                break;
            }
        }
        if (result != ERROR_SUCCESS && result != ERROR_NO_MORE_ITEMS) {
            DWORD nameChars = static_cast<DWORD>(m_name.size());
            DWORD dataBytes = 0;
            nameRead = key.EnumValue(index, m_name.data(), nameChars, nullptr, dataBytes) == ERROR_SUCCESS;
            if (nameRead)
                root.name = Name(nameChars);
        }
        return result;
    }

private:
    CString Name(DWORD nameChars) const
    {
        return CString(m_name.data(), static_cast<int>(nameChars < m_name.size() ? nameChars : m_name.size() - 1));
    }

    // More room for what did not fit: the data when it says how much it needs, else the name.
    bool Grow(DWORD dataBytes)
    {
        if (dataBytes > m_data.size())
            return Resize(m_data, dataBytes);
        if (m_name.size() >= kLongestName)
            return false;
        return Resize(m_name, m_name.size() * 2 < kLongestName ? m_name.size() * 2 : kLongestName);
    }

    static bool Resize(std::vector<char>& room, size_t size)
    {
        try {
            room.resize(size);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    std::vector<char> m_name;
    std::vector<char> m_data;
};

// Each change opens the key for what it needs, and is true when it took effect; one that fails is
// skipped and the rest goes on.
class CRootWriter {
public:
    explicit CRootWriter(const char* rootsKey) : m_rootsKey(rootsKey) {}
    // ERROR_SUCCESS, or why the root stays.
    LONG Delete(const CString& enumeratedName)
    {
        CKey key;
        const LONG opened = key.Open(HKEY_LOCAL_MACHINE, m_rootsKey, KEY_ALL_ACCESS);
        return opened != ERROR_SUCCESS ? opened : key.DeleteValue(enumeratedName);
    }
    bool Write(const CString& name, const CString& data)
    {
        CKey key;
        return key.Open(HKEY_LOCAL_MACHINE, m_rootsKey, kReadWriteAccess) == ERROR_SUCCESS &&
               key.SetValue(name, data) == ERROR_SUCCESS;
    }

private:
    const char* m_rootsKey;
};

} // namespace

bool ReadEveryVirtualRoot(EveryVirtualRoot& read, const char* rootsKey)
{
    CKey key;
    const LONG opened = key.Open(HKEY_LOCAL_MACHINE, rootsKey, KEY_READ);
    if (opened != ERROR_SUCCESS)
        return operation_error::Keep(static_cast<DWORD>(opened)), false;
    DWORD values = 0, nameChars = 0, dataBytes = 0;
    if (key.QueryValueSizes(values, nameChars, dataBytes) != ERROR_SUCCESS)
        values = nameChars = dataBytes = 0;
    CValueRoom room;
    room.Expect(nameChars, dataBytes);
    for (DWORD index = 0;; ++index) {
        VirtualRoot root;
        bool nameRead = false;
        LONG result = room.Read(key, index, root, nameRead);
        if (result == ERROR_SUCCESS)
            read.roots.push_back(root);
        else if (result == ERROR_NO_MORE_ITEMS || index >= values) // past the count, a failure ends it
            break;
        else if (nameRead)
            read.unreadNames.push_back(root.name), read.unreadError = result;
        else
            ++read.unnamed, read.unreadError = result;
    }
    return true;
}

namespace {

int ApplyTemplate(CString& installationPath, const char* rootsKey)
{
    CRootWriter writer(rootsKey);
    std::vector<VirtualRoot> snapshot;
    std::vector<TemplateEntry> entries;
    if (!ReadVirtualRoots(snapshot, rootsKey))
        return -1;
    if (!ReadTemplateSection(kIisSection, installationPath, SeparatorForm::Backslash, entries))
        return operation_error::KeepLast(), -1;

    // A change that fails is skipped and the rest goes on.
    for (const VirtualRootStep& step : PlanVirtualRootSteps(snapshot, entries)) {
        if (step.takeOut)
            writer.Delete(step.takeOut->name);
        writer.Write(step.add->urlPattern, FormatVirtualRootData(*step.add));
    }
    return 1;
}

int TakeBackTemplate(CString& installationPath, const char* rootsKey)
{
    CRootWriter writer(rootsKey);
    EveryVirtualRoot read;
    std::vector<TemplateEntry> entries;
    if (!ReadEveryVirtualRoot(read, rootsKey))
        return -1;
    if (!ReadTemplateSection(kIisSection, installationPath, SeparatorForm::Backslash, entries))
        return operation_error::KeepLast(), -1;
    // A root of one of our names with another directory or other flags is the administrator's.
    bool noneLeft = true;
    for (const VirtualRoot& root : read.roots) {
        const LONG deleted = IsOwnVirtualRoot(root, entries) ? writer.Delete(root.name) : ERROR_SUCCESS;
        if (deleted != ERROR_SUCCESS)
            noneLeft = false, operation_error::Keep(static_cast<DWORD>(deleted));
    }
    // A value that could not be read may be one of ours, unless its name is none of the template's.
    const auto sameName = SameKeyNoCase(&VirtualRoot::name);
    for (const CString& name : read.unreadNames) {
        VirtualRoot named;
        named.name = name;
        if (EqualsAnyEntry(named, entries, sameName))
            noneLeft = false, operation_error::Keep(static_cast<DWORD>(read.unreadError));
    }
    if (read.unnamed > 0)
        operation_error::Keep(static_cast<DWORD>(read.unreadError));
    return noneLeft && read.unnamed == 0 ? 1 : -1;
}

} // namespace

int ChangeIisRoots(CString& installationPath, bool takeBack, const char* rootsKey)
{
    return takeBack ? TakeBackTemplate(installationPath, rootsKey) : ApplyTemplate(installationPath, rootsKey);
}

int EnsureIisContainsVP(CString& installationPath)
{
    return ChangeIisRoots(installationPath, false, kVirtualRootsKey);
}

int EnsureIisLacksVP(CString& installationPath)
{
    return ChangeIisRoots(installationPath, true, kVirtualRootsKey);
}
