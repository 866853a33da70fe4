#include "IisVirtualRoots.h"

#include "RegistryKey.h"

#include <windows.h>

namespace {

const char kVirtualRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
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

bool ReadVirtualRoots(std::vector<VirtualRoot>& snapshot)
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, KEY_READ) != ERROR_SUCCESS)
        return false;
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

// The roots as they are and the template, read as both operations read them; false when either
// cannot be read.
bool ReadRootsAndTemplate(CString& installationPath, std::vector<VirtualRoot>& snapshot,
                          std::vector<TemplateEntry>& entries)
{
    return ReadVirtualRoots(snapshot) &&
           ReadTemplateSection(kIisSection, installationPath, SeparatorForm::Backslash, entries);
}

// Each change opens the key for what it needs; one that fails is skipped and the rest goes on.
class CRegistryRootWriter : public CVirtualRootWriter {
public:
    bool Delete(const CString& enumeratedName) override
    {
        CKey key;
        return key.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS &&
               key.DeleteValue(enumeratedName) == ERROR_SUCCESS;
    }
    bool Write(const CString& name, const CString& data) override
    {
        CKey key;
        return key.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, kReadWriteAccess) == ERROR_SUCCESS &&
               key.SetValue(name, data) == ERROR_SUCCESS;
    }
};

} // namespace

int ChangeIisRoots(CString& installationPath, bool takeBack, CVirtualRootWriter& writer)
{
    std::vector<VirtualRoot> snapshot;
    std::vector<TemplateEntry> entries;
    if (!ReadRootsAndTemplate(installationPath, snapshot, entries))
        return -1;
    if (takeBack) {
        // A root of one of our names with another directory or other flags is the administrator's.
        for (const VirtualRoot& root : snapshot) {
            if (IsOwnVirtualRoot(root, entries))
                writer.Delete(root.name);
        }
        return 1;
    }
    for (const VirtualRootStep& step : PlanVirtualRootSteps(snapshot, entries)) {
        if (step.takeOut)
            writer.Delete(step.takeOut->name);
        writer.Write(step.add->urlPattern, FormatVirtualRootData(*step.add));
    }
    return 1;
}

int EnsureIisContainsVP(CString& installationPath)
{
    CRegistryRootWriter registry;
    return ChangeIisRoots(installationPath, false, registry);
}

int EnsureIisLacksVP(CString& installationPath)
{
    CRegistryRootWriter registry;
    return ChangeIisRoots(installationPath, true, registry);
}
