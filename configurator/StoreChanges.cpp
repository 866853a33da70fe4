#include "StoreChanges.h"

#include "MondrelListing.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "TextFile.h"

#include <algorithm>

namespace {

const char kVirtualRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
// Room to read a virtual root for the log: more than the library reads, never unbounded.
const DWORD kRootNameChars = 512;
const DWORD kRootDataBytes = 1024;
// More changed lines than this are counted, not listed.
const int kMostListedLines = 1000;

CString RootLine(const CString& name, const CString& data)
{
    return CRunLog::Quoted(name) + " = " + CRunLog::Quoted(data);
}

// In the order of their names, whatever order the registry lists them in.
void SortRoots(std::vector<CString>& names, std::vector<CString>& lines)
{
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return lines[a].CompareNoCase(lines[b]) < 0; });
    std::vector<CString> sortedNames, sortedLines;
    for (size_t i : order) {
        sortedNames.push_back(names[i]);
        sortedLines.push_back(lines[i]);
    }
    names.swap(sortedNames);
    lines.swap(sortedLines);
}

// Every value of the IIS virtual roots key as "name = data" (the data's text up to its zero).
bool ReadRoots(std::vector<CString>& names, std::vector<CString>& roots)
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kVirtualRootsKey, KEY_READ) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        char name[kRootNameChars];
        char data[kRootDataBytes];
        DWORD nameChars = kRootNameChars;
        DWORD dataBytes = kRootDataBytes;
        LONG result = key.EnumValue(index, name, nameChars, data, dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS) {
            names.push_back(CString());
            roots.push_back(CString("(a value too large to read)"));
            continue;
        }
        int length = 0;
        while (length < static_cast<int>(dataBytes) && data[length] != '\0')
            ++length;
        names.push_back(CString(name, static_cast<int>(nameChars)));
        roots.push_back(RootLine(names.back(), CString(data, length)));
    }
    SortRoots(names, roots);
    return true;
}

} // namespace

bool ReadFileLines(const CString& path, std::vector<CString>& lines)
{
    CTextFileReader file;
    if (!file.Open(path))
        return false;
    CString line;
    while (file.ReadLine(line))
        lines.push_back(line);
    return !file.Failed();
}

bool DiffLines(const std::vector<CString>& before, const std::vector<CString>& after, int most,
               std::vector<LineChange>& changes)
{
    // The shortest edit script, found diagonal by diagonal: v[k] is how far along `before` the
    // furthest path with d edits reaches on diagonal k (x - y = k).
    const int n = static_cast<int>(before.size()), m = static_cast<int>(after.size());
    const int offset = most + 1;
    std::vector<int> v(2 * most + 3, 0);
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= most; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                                    : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && before[x] == after[y]) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x < n || y < m)
                continue;
            // Back from the end, one edit per step.
            changes.clear();
            for (int e = d; e > 0; --e) {
                const std::vector<int>& w = trace[e];
                bool down = k == -e || (k != e && w[offset + k - 1] < w[offset + k + 1]);
                int previousK = down ? k + 1 : k - 1;
                int previousX = w[offset + previousK];
                int previousY = previousX - previousK;
                if (down)
                    changes.push_back({true, previousY + 1, after[previousY]});
                else
                    changes.push_back({false, previousX + 1, before[previousX]});
                k = previousK;
            }
            std::reverse(changes.begin(), changes.end());
            return true;
        }
    }
    return false;
}

void CStoreSnapshot::DeleteRoot(const CString& name)
{
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == name) {
            m_names.erase(m_names.begin() + static_cast<long>(i));
            m_lines.erase(m_lines.begin() + static_cast<long>(i));
            return;
        }
    }
}

void CStoreSnapshot::WriteRoot(const CString& name, const CString& data)
{
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i].EqualsNoCase(name)) {
            m_lines[i] = RootLine(m_names[i], data);
            return;
        }
    }
    m_names.push_back(name);
    m_lines.push_back(RootLine(name, data));
    SortRoots(m_names, m_lines);
}

void CStoreSnapshot::Take()
{
    m_lines.clear();
    m_names.clear();
    switch (m_kind) {
    case ConfigFile: m_readable = ReadFileLines(m_path, m_lines); break;
    case VirtualRoots: m_readable = ReadRoots(m_names, m_lines); break;
    case Database: {
        m_listed = ListMondrelMappings(m_path, m_programDirectory, m_lines);
        WIN32_FILE_ATTRIBUTE_DATA data;
        m_readable = GetFileAttributesExA(m_path, GetFileExInfoStandard, &data) != FALSE;
        if (m_readable) {
            m_size = data.nFileSizeLow;
            m_written = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
        }
        break;
    }
    }
}

void CStoreSnapshot::LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const
{
    if (!m_readable || !later.m_readable) {
        log.Line(CString("  the store could not be read ") + (m_readable ? "after" : "before") + " the call");
        return;
    }
    if (m_kind == Database && m_listed && later.m_listed) {
        std::vector<LineChange> changes;
        if (!DiffLines(m_lines, later.m_lines, kMostListedLines, changes)) {
            log.Line(CString("  more than ") + CRunLog::Number(kMostListedLines) + " mappings deleted and created (" +
                     CRunLog::Number(static_cast<long>(m_lines.size())) + " before, " +
                     CRunLog::Number(static_cast<long>(later.m_lines.size())) + " after)");
            return;
        }
        if (changes.empty())
            log.Line("  the mappings are unchanged");
        for (const LineChange& change : changes)
            log.Line(CString(change.added ? "  mapping created: " : "  mapping deleted: ") + change.text);
        return;
    }
    if (m_kind == Database) {
        log.Line(m_size == later.m_size && m_written == later.m_written ? "  the database file is unchanged"
                                                                         : "  the database file was rewritten");
        return;
    }
    std::vector<LineChange> changes;
    if (!DiffLines(m_lines, later.m_lines, kMostListedLines, changes)) {
        log.Line(CString("  more than ") + CRunLog::Number(kMostListedLines) + " lines changed (" +
                 CRunLog::Number(static_cast<long>(m_lines.size())) + " before, " +
                 CRunLog::Number(static_cast<long>(later.m_lines.size())) + " after)");
        return;
    }
    if (changes.empty())
        log.Line(m_kind == ConfigFile ? "  the file's lines are unchanged" : "  the virtual roots are unchanged");
    for (const LineChange& change : changes) {
        if (m_kind == VirtualRoots)
            log.Line(CString(change.added ? "  root added: " : "  root removed: ") + change.text);
        else
            log.Line(CString("  line ") + CRunLog::Number(change.number) +
                     (change.added ? " of the file after, put in: " : " of the file before, taken out: ") +
                     CRunLog::Quoted(change.text));
    }
}
