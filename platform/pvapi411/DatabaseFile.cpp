#include "DatabaseFile.h"

#include "ReplacementFile.h"
#include "WholeFile.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

namespace {

const char kSignature[] = "PVAPI411 DATABASE 1\n";
const size_t kLargestFile = 64u * 1024u * 1024u;

const unsigned long long kLargestNumber = 0xFFFFFFFFull; // what a 32-bit id, flag or count holds
const size_t kNumberDigits = 10;                          // as many as the largest one has

// Reads the text front to back; every step checks what is left.
class CReader {
public:
    CReader(const char* text, size_t size) : m_text(text), m_size(size) {}
    bool Literal(const char* word)
    {
        size_t length = strlen(word);
        if (m_size - m_pos < length || memcmp(m_text + m_pos, word, length) != 0)
            return false;
        m_pos += length;
        return true;
    }
    // Decimal digits as FormatDatabase writes them: the whole unsigned 32-bit range.
    bool Number(unsigned long& value)
    {
        size_t start = m_pos;
        unsigned long long read = 0;
        while (m_pos < m_size && IsDigit(m_text[m_pos]) && m_pos - start < kNumberDigits)
            read = read * 10 + static_cast<unsigned long long>(m_text[m_pos++] - '0');
        if (m_pos == start || read > kLargestNumber || (m_pos < m_size && IsDigit(m_text[m_pos])))
            return false;
        value = static_cast<unsigned long>(read);
        return true;
    }
    // "<length>:<bytes>"
    bool Counted(std::string& value)
    {
        unsigned long length = 0;
        if (!Number(length) || !Literal(":") || length > m_size - m_pos)
            return false;
        value.assign(m_text + m_pos, length);
        m_pos += length;
        return true;
    }
    bool AtEnd() const { return m_pos == m_size; }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    const char* m_text;
    size_t m_size;
    size_t m_pos = 0;
};

void AppendCounted(std::string& out, const std::string& value)
{
    out += std::to_string(value.size());
    out += ':';
    out += value;
}

} // namespace

const PVItemData* PVDocumentData::FindItem(const std::string& name) const
{
    for (const PVItemData& item : items) {
        if (item.name == name)
            return &item;
    }
    return nullptr;
}

std::string FormatDatabase(const PVDatabaseData& database)
{
    std::string out = kSignature;
    out += "next " + std::to_string(database.nextId) + "\n";
    out += "documents " + std::to_string(database.documents.size()) + "\n";
    for (const PVDocumentData& document : database.documents) {
        out += "doc " + std::to_string(document.id) + " " + std::to_string(document.items.size()) + "\n";
        for (const PVItemData& item : document.items) {
            out += "item " + std::to_string(item.flags) + " " + std::to_string(item.option) + " " +
                   std::to_string(item.values.size()) + " ";
            AppendCounted(out, item.name);
            out += "\n";
            for (const std::string& value : item.values) {
                out += "value ";
                AppendCounted(out, value);
                out += "\n";
            }
        }
    }
    out += "end\n";
    return out;
}

bool ParseDatabase(const char* text, size_t size, PVDatabaseData& database)
{
    CReader in(text, size);
    PVDatabaseData parsed;
    unsigned long documentCount = 0;
    if (!in.Literal(kSignature) || !in.Literal("next ") || !in.Number(parsed.nextId) || !in.Literal("\ndocuments ") ||
        !in.Number(documentCount) || !in.Literal("\n"))
        return false;
    // Each id names one document: a second document of an id would be shadowed by the first, and
    // id 0 is what a new document has before it is first saved.
    std::set<unsigned long> ids;
    for (unsigned long d = 0; d < documentCount; ++d) {
        PVDocumentData document;
        unsigned long itemCount = 0;
        if (!in.Literal("doc ") || !in.Number(document.id) || !in.Literal(" ") || !in.Number(itemCount) ||
            !in.Literal("\n") || document.id == 0 || document.id >= parsed.nextId || !ids.insert(document.id).second)
            return false;
        for (unsigned long i = 0; i < itemCount; ++i) {
            PVItemData item;
            unsigned long valueCount = 0;
            if (!in.Literal("item ") || !in.Number(item.flags) || !in.Literal(" ") || !in.Number(item.option) ||
                !in.Literal(" ") || !in.Number(valueCount) || !in.Literal(" ") || !in.Counted(item.name) ||
                !in.Literal("\n"))
                return false;
            for (unsigned long v = 0; v < valueCount; ++v) {
                std::string value;
                if (!in.Literal("value ") || !in.Counted(value) || !in.Literal("\n"))
                    return false;
                item.values.push_back(value);
            }
            document.items.push_back(item);
        }
        parsed.documents.push_back(document);
    }
    if (!in.Literal("end\n") || !in.AtEnd())
        return false;
    database = std::move(parsed);
    return true;
}

FileRead ReadDatabaseFile(const std::string& path, std::string& bytes)
{
    if (ReadWholeFile(path.c_str(), bytes, kLargestFile))
        return FileRead::Ok;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Unreadable;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes)
{
    CReplacementFile file(path.c_str(), (path + ".new").c_str());
    return file.Create() && file.Write(bytes.data(), static_cast<DWORD>(bytes.size())) && file.Commit();
}
