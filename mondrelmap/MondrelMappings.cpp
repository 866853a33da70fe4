#include "MondrelMappings.h"

namespace {

const char kMappingForm[] = "DirMap";
const unsigned long kTextItemFlags = 4;

CString FirstValue(PVDocument& document, const char* itemName)
{
    PVText text;
    document.GetItem(itemName, text);
    PVString value = text[0];
    return CString(value.GetBuf(), static_cast<int>(value.GetLength()));
}

bool IsMapping(PVDocument& document)
{
    return FirstValue(document, "Form") == CString(kMappingForm);
}

void SetItem(PVDocument& document, const char* itemName, const CString& value)
{
    PVText text;
    document.CreateItem(itemName, text, kTextItemFlags, 0);
    text.SetValue(PVString(value.c_str(), static_cast<size_t>(value.GetLength())));
}

// The three values of a document that is a mapping; false for any other document.
bool ReadMapping(PVDocument& document, DirMapping& mapping)
{
    document.Open(0);
    const bool isMapping = IsMapping(document);
    if (isMapping) {
        mapping.source = FirstValue(document, "RM_MapFrom");
        mapping.target = FirstValue(document, "RM_MapTo");
        mapping.type = FirstValue(document, "RM_MapType");
    }
    document.Close();
    return isMapping;
}

} // namespace

std::vector<DirMapping> ReadMappings(PVDatabase& database)
{
    std::vector<DirMapping> mappings;
    PVDocumentArray documents;
    database.GetDocuments(documents);
    for (unsigned long i = 0; i < documents.GetCount(); ++i) {
        DirMapping mapping;
        if (ReadMapping(documents[i], mapping))
            mappings.push_back(mapping);
    }
    return mappings;
}

void DeleteOwnMappings(PVDatabase& database, const std::vector<TemplateEntry>& entries)
{
    PVDocumentArray documents;
    database.GetDocuments(documents);
    for (unsigned long i = 0; i < documents.GetCount(); ++i) {
        DirMapping mapping;
        if (ReadMapping(documents[i], mapping) && IsOwnMapping(mapping, entries))
            database.DeleteDocument(documents[i]);
    }
}

void DeleteMappingsFrom(PVDatabase& database, const CString& source)
{
    PVDocumentArray documents;
    database.GetDocuments(documents);
    for (unsigned long i = 0; i < documents.GetCount(); ++i) {
        PVDocument& document = documents[i];
        document.Open(0);
        bool remove = IsMapping(document) && FirstValue(document, "RM_MapFrom") == source;
        document.Close();
        if (remove)
            database.DeleteDocument(document);
    }
}

void CreateMapping(PVDatabase& database, const TemplateEntry& entry)
{
    PVDocument document;
    database.CreateDocument(document);
    SetItem(document, "Form", CString(kMappingForm));
    SetItem(document, "RM_MapFrom", entry.urlPattern);
    SetItem(document, "RM_MapTo", entry.targetPath);
    SetItem(document, "RM_MapType", entry.directiveName);
    document.Save(0);
    document.Close();
}

void ApplyMappingTemplate(PVDatabase& database, const std::vector<TemplateEntry>& entries)
{
    // Read once: what this run creates or deletes is not seen by its later entries.
    const std::vector<DirMapping> existing = ReadMappings(database);
    for (const MappingStep& step : PlanMappingSteps(existing, entries)) {
        if (step.takeOut)
            DeleteMappingsFrom(database, step.takeOut->source);
        CreateMapping(database, *step.add);
    }
}
