#include "IisVirtualRoots.h"

#include "OperationError.h"
#include "RegistryKey.h"
#include "ValueEnumeration.h"

#include <windows.h>


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

// Each change opens the key for what it needs and says whether it took effect; one that fails is
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
        values = 0;
    CValueEnumeration<char> each(key);
    for (DWORD index = 0;; ++index) {
        const LONG result = each.Read(index);
        const CString name(each.Name(), static_cast<int>(each.NameChars()));
        if (result == ERROR_SUCCESS) {
            read.roots.push_back(ParseVirtualRoot(name, reinterpret_cast<const char*>(each.Data()),
                                                  static_cast<int>(each.DataBytes())));
        } else if (result == ERROR_NO_MORE_ITEMS || index >= values) { // past the count, a failure ends it
            break;
        } else if (each.NameRead()) {
            read.unreadNames.push_back(name), read.unreadError = result;
        } else {
            ++read.unnamed, read.unreadError = result;
        }
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
