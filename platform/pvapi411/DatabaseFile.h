// The database as it is kept in one file, and its text format (README.md beside this file).
#pragma once

#include <string>
#include <vector>

struct PVItemData {
    std::string name;
    unsigned long flags = 0;
    unsigned long option = 0;
    std::vector<std::string> values;
};

struct PVDocumentData {
    unsigned long id = 0;
    std::vector<PVItemData> items;
    const PVItemData* FindItem(const std::string& name) const;
};

struct PVDatabaseData {
    unsigned long nextId = 1;
    std::vector<PVDocumentData> documents;
};

std::string FormatDatabase(const PVDatabaseData& database);
// False for anything that is not a complete database in the format: nothing is read past the
// end of the text.
bool ParseDatabase(const char* text, size_t size, PVDatabaseData& database);
inline bool ParseDatabase(const std::string& text, PVDatabaseData& database)
{
    return ParseDatabase(text.data(), text.size(), database);
}

// Whole-file reads and writes. A write goes to "<path>.new", takes on the file's protection and
// replaces the file in one step, so a failure never leaves a half-written database.
enum class FileRead { Ok, Missing, Unreadable };
FileRead ReadDatabaseFile(const std::string& path, std::string& bytes);
bool ReplaceFileContent(const std::string& path, const std::string& bytes);
