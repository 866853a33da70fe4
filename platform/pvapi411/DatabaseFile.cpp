#include "DatabaseFile.h"

#include <windows.h>

#include <cstdlib>

namespace {

const char kSignature[] = "PVAPI411 DATABASE 1\n";
const size_t kLargestFile = 64u * 1024u * 1024u;

// Reads the text front to back; every step checks what is left.
class CReader {
public:
    explicit CReader(const std::string& text) : m_text(text) {}
    bool Literal(const char* word)
    {
        size_t length = strlen(word);
        if (m_text.compare(m_pos, length, word) != 0 || m_text.size() - m_pos < length)
            return false;
        m_pos += length;
        return true;
    }
    bool Number(unsigned long& value)
    {
        size_t start = m_pos;
        value = 0;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9' && m_pos - start < 10)
            value = value * 10 + static_cast<unsigned long>(m_text[m_pos++] - '0');
        return m_pos > start && m_pos - start < 10;
    }
    // "<length>:<bytes>"
    bool Counted(std::string& value)
    {
        unsigned long length = 0;
        if (!Number(length) || !Literal(":") || length > m_text.size() - m_pos)
            return false;
        value.assign(m_text, m_pos, length);
        m_pos += length;
        return true;
    }
    bool AtEnd() const { return m_pos == m_text.size(); }

private:
    const std::string& m_text;
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

bool ParseDatabase(const std::string& text, PVDatabaseData& database)
{
    CReader in(text);
    PVDatabaseData parsed;
    unsigned long documentCount = 0;
    if (!in.Literal(kSignature) || !in.Literal("next ") || !in.Number(parsed.nextId) || !in.Literal("\ndocuments ") ||
        !in.Number(documentCount) || !in.Literal("\n"))
        return false;
    for (unsigned long d = 0; d < documentCount; ++d) {
        PVDocumentData document;
        unsigned long itemCount = 0;
        if (!in.Literal("doc ") || !in.Number(document.id) || !in.Literal(" ") || !in.Number(itemCount) ||
            !in.Literal("\n") || document.id >= parsed.nextId)
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
    database = parsed;
    return true;
}

FileRead ReadWholeFile(const std::string& path, std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Unreadable;
    }
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
        if (bytes.size() + got > kLargestFile) {
            ok = false;
            break;
        }
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return ok ? FileRead::Ok : FileRead::Unreadable;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes)
{
    std::string temp = path + ".new";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
    // On the disk before it takes the database's name, or a power cut could leave the name on
    // blocks that were never written.
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok)
        ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}
