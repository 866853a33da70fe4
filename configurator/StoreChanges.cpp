#include "StoreChanges.h"

#include "MondrelListing.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "TextFile.h"
#include "ValueEnumeration.h"
#include "vpsetup.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

// More changed lines than this are counted, not listed.
const int kMostListedLines = 1000;
// What holding one line costs beyond its characters: the string object and its heap block.
const size_t kLineOverhead = 32;

// FNV-1a, 32 bits: enough to tell a changed store from an unchanged one of the same size.
const unsigned long kChecksumStart = 2166136261UL;
unsigned long Checksum(unsigned long sum, const char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        sum = ((sum ^ static_cast<unsigned char>(bytes[i])) * 16777619UL) & 0xFFFFFFFFUL;
    return sum;
}

const char* TypeName(DWORD type)
{
    static const char* const names[] = {"REG_NONE",          "REG_SZ",   "REG_EXPAND_SZ",     "REG_BINARY",
                                        "REG_DWORD",         "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};
    return type < sizeof names / sizeof names[0] ? names[type] : nullptr;
}

// A root's data as the log shows it: a string's text up to its zero, anything else by its type
// and size.
CString RootData(DWORD type, const char* data, DWORD bytes, bool read)
{
    if (read && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        DWORD length = 0;
        while (length < bytes && data[length] != '\0')
            ++length;
        CString text = CRunLog::Quoted(CString(data, static_cast<int>(length)));
        return type == REG_SZ ? text : CString("REG_EXPAND_SZ ") + text;
    }
    const char* name = TypeName(type);
    CString shown = name ? CString(name) : CString("type ") + CRunLog::Number(static_cast<long>(type));
    shown += CString(", ") + CRunLog::Number(static_cast<long>(bytes)) + (bytes == 1 ? " byte" : " bytes");
    if (!read)
        shown += " (too large to show)";
    return shown;
}

CString RootLine(const CString& name, const CString& data)
{
    return CRunLog::Quoted(name) + " = " + data;
}

CString SaidOfFileLine(const LineChange& change)
{
    return CString("  line ") + CRunLog::Number(change.number) +
           (change.added ? " of the file after, put in: " : " of the file before, taken out: ") + CRunLog::Quoted(change.text);
}

CString SaidOfRoot(const LineChange& change)
{
    return CString(change.added ? "  root added: " : "  root removed: ") + change.text;
}

} // namespace

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

void CStoreSnapshot::Hold(const char* text, int length)
{
    ++m_lineCount;
    m_checksum = Checksum(Checksum(m_checksum, text, static_cast<size_t>(length)), "\n", 1);
    if (!m_allHeld)
        return;
    m_heldBytes += static_cast<size_t>(length) + kLineOverhead;
    if (m_heldBytes > m_mostHeldBytes) {
        m_allHeld = false;
        std::vector<CString>().swap(m_lines);
        return;
    }
    m_lines.push_back(CString(text, length));
}

void CStoreSnapshot::Take()
{
    m_lines.clear();
    m_unread.clear();
    m_allHeld = true;
    m_heldBytes = 0;
    m_lineCount = 0;
    m_size = 0;
    m_checksum = kChecksumStart;
    m_readable = Read();
}

void CStoreSnapshot::LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const
{
    for (const CStoreSnapshot* snapshot : {this, &later})
        for (const CString& unread : snapshot->m_unread)
            log.Line(CString("  ") + unread + " could not be read " + (snapshot == this ? "before" : "after") +
                     " the call; it is left out here");
    if (!m_readable || !later.m_readable) {
        log.Line(CString("  the store could not be read ") + (m_readable ? "after" : "before") + " the call");
        return;
    }
    LogChange(later, log);
}

void CStoreSnapshot::LogLineChanges(const CStoreSnapshot& later, CRunLog& log, const char* unchanged,
                                    CString (*said)(const LineChange& change)) const
{
    const CString counts = CString(" (") + CRunLog::Number(m_lineCount) + " lines before, " +
                           CRunLog::Number(later.m_lineCount) + " after)";
    if (!m_allHeld || !later.m_allHeld) {
        if (m_size == later.m_size && m_checksum == later.m_checksum && m_lineCount == later.m_lineCount)
            log.Line(CString(unchanged) + " (too large to list: " + CRunLog::Number(m_lineCount) + " lines)");
        else
            log.Line(CString("  changed, too large to list") + counts);
        return;
    }
    std::vector<LineChange> changes;
    if (!DiffLines(m_lines, later.m_lines, kMostListedLines, changes)) {
        log.Line(CString("  more than ") + CRunLog::Number(kMostListedLines) + " lines changed" + counts);
        return;
    }
    if (changes.empty())
        log.Line(unchanged);
    for (const LineChange& change : changes)
        log.Line(said(change));
}

bool CFileSnapshot::Read()
{
    m_afterEndMark = -1;
    // The bytes as they lie, for the size, the checksum and what follows an end-of-file mark.
    {
        CFileHandle file(CreateFileA(m_file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
            return false;
        static char block[65536];
        long long markAt = -1;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(file.Get(), block, sizeof block, &got, nullptr))
                return false;
            if (got == 0)
                break;
            const char* mark = markAt < 0 ? static_cast<const char*>(memchr(block, '\x1A', got)) : nullptr;
            if (mark)
                markAt = static_cast<long long>(m_size) + (mark - block);
            m_checksum = Checksum(m_checksum, block, got);
            m_size += got;
        }
        if (markAt >= 0)
            m_afterEndMark = static_cast<long long>(m_size) - markAt - 1;
    }
    // The lines as text mode reads them, which is how the library reads the file.
    CTextFileReader reader;
    if (!reader.Open(m_file))
        return false;
    const unsigned long byteChecksum = m_checksum;
    CTextLine line;
    while (reader.ReadLine(line))
        Hold(line.text, line.length);
    m_checksum = byteChecksum;
    return !reader.Failed();
}

void CFileSnapshot::LogFoundAsIs(CRunLog& log) const
{
    if (m_afterEndMark > 0)
        log.Line(CString("  the file has ") + CRunLog::Number(static_cast<long>(m_afterEndMark)) +
                 " bytes after an end-of-file mark; they are kept as they are");
}

void CFileSnapshot::LogChange(const CStoreSnapshot& later, CRunLog& log) const
{
    LogLineChanges(later, log, "  the file's lines are unchanged", SaidOfFileLine);
}

// Every value of the IIS virtual roots key (or a preview's copy of it) as "name = data", read with
// room for the longest the key holds (data beyond the bound is shown by its type and size only),
// in the order of their lines, whatever order the registry lists them in.
bool CRootsSnapshot::Read()
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, m_key.IsEmpty() ? CString(kVirtualRootsKey) : m_key, KEY_READ) != ERROR_SUCCESS)
        return false;
    CValueEnumeration<char> each(key, static_cast<DWORD>(m_mostHeldBytes));
    for (DWORD index = 0;; ++index) {
        const LONG result = each.Read(index);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        // Larger than the bound: its name, type and size only.
        if (result != ERROR_SUCCESS && !(result == ERROR_MORE_DATA && each.NameRead())) {
            m_unread.push_back(CString("the virtual roots' value number ") + CRunLog::Number(static_cast<long>(index) + 1) +
                               " (error " + CRunLog::Number(result) + ")");
            continue;
        }
        const CString rootName(each.Name(), static_cast<int>(each.NameChars()));
        CString root = RootLine(rootName, RootData(each.Type(), reinterpret_cast<const char*>(each.Data()),
                                                   each.DataBytes(), each.DataRead()));
        Hold(root.c_str(), root.GetLength());
    }
    std::stable_sort(m_lines.begin(), m_lines.end(),
                     [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    return true;
}

void CRootsSnapshot::LogChange(const CStoreSnapshot& later, CRunLog& log) const
{
    LogLineChanges(later, log, "  the virtual roots are unchanged", SaidOfRoot);
}

bool CDatabaseSnapshot::Read()
{
    m_listed = ListMondrelMappings(m_file, m_programFolder, m_lines);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(m_file, GetFileExInfoStandard, &data))
        return false;
    m_size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    m_written = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

void CDatabaseSnapshot::LogChange(const CStoreSnapshot& later, CRunLog& log) const
{
    const CDatabaseSnapshot& after = static_cast<const CDatabaseSnapshot&>(later);
    if (!m_listed || !after.m_listed) {
        log.Line(m_size == after.m_size && m_written == after.m_written ? "  the database file is unchanged"
                                                                         : "  the database file was rewritten");
        return;
    }
    std::vector<LineChange> changes;
    if (!DiffLines(m_lines, after.m_lines, kMostListedLines, changes)) {
        log.Line(CString("  more than ") + CRunLog::Number(kMostListedLines) + " mappings deleted and created (" +
                 CRunLog::Number(static_cast<long>(m_lines.size())) + " before, " +
                 CRunLog::Number(static_cast<long>(after.m_lines.size())) + " after)");
        return;
    }
    if (changes.empty())
        log.Line("  the mappings are unchanged");
    for (const LineChange& change : changes)
        log.Line(CString(change.added ? "  mapping created: " : "  mapping deleted: ") + change.text);
}
