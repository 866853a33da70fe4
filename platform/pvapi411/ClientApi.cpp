// pvapi411.dll: sessions, databases, documents and text items over the database file.
//
// A database is read from its file when it is opened; deleting a document or saving one writes
// the whole database back through a temporary file. Documents are worked on as copies between
// Open (or CreateDocument) and Save, so a failed save leaves the file and the database as they
// were.
#define PVAPI411_BUILDING
#include "pvapi411.h"

#include "DatabaseFile.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>
#include <utility>

struct PVHandle_ {
    enum Kind { Database, Document, Item } kind;
    long references = 1;
    PVHandle_* parent = nullptr; // a document's database, an item's document

    // Database
    std::string path;
    bool open = false;
    PVDatabaseData data;
    std::vector<unsigned long> collection; // document ids as last taken by GetDocuments

    // Document: id 0 until a new document is first saved
    unsigned long id = 0;
    bool documentOpen = false;
    PVDocumentData working;

    // Item
    std::string itemName;

    explicit PVHandle_(Kind k) : kind(k) {}
};

namespace {

bool g_throwAllErrors = false;
bool g_initialized = false;

// Tests make one operation fail on its n-th call of a session: PVAPI411_FAIL=<operation>:<n>.
std::string g_failOperation;
unsigned long g_failCall = 0;
std::map<std::string, unsigned long> g_calls;

void ReadFailureInjection()
{
    g_calls.clear();
    g_failOperation.clear();
    g_failCall = 0;
    char setting[128];
    DWORD length = GetEnvironmentVariableA("PVAPI411_FAIL", setting, sizeof setting);
    if (length == 0 || length >= sizeof setting)
        return;
    const char* colon = strchr(setting, ':');
    if (!colon)
        return;
    g_failOperation.assign(setting, colon - setting);
    g_failCall = strtoul(colon + 1, nullptr, 10);
}

bool InjectedFailure(const char* operation)
{
    unsigned long call = ++g_calls[operation];
    return g_failCall != 0 && call == g_failCall && g_failOperation == operation;
}

PVHANDLE NewHandle(PVHandle_::Kind kind, PVHANDLE parent)
{
    PVHANDLE handle = new PVHandle_(kind);
    handle->parent = parent;
    if (parent)
        ++parent->references;
    return handle;
}

void Release(PVHANDLE handle)
{
    while (handle && --handle->references == 0) {
        PVHANDLE parent = handle->parent;
        delete handle;
        handle = parent;
    }
}

// Moved in, not copied, once the file holds it: nothing that could fail comes after the write.
PVSTATUS Persist(PVHANDLE database, PVDatabaseData&& changed)
{
    if (!ReplaceFileContent(database->path, FormatDatabase(changed)))
        return PVERR_DATABASE_UNWRITABLE;
    database->data = std::move(changed);
    return PVOK;
}

PVDocumentData* FindDocument(PVDatabaseData& data, unsigned long id)
{
    for (PVDocumentData& document : data.documents) {
        if (document.id == id)
            return &document;
    }
    return nullptr;
}

bool IsDatabase(PVHANDLE h) { return h && h->kind == PVHandle_::Database; }
bool IsDocument(PVHANDLE h) { return h && h->kind == PVHandle_::Document; }
bool IsItem(PVHANDLE h) { return h && h->kind == PVHandle_::Item; }

PVItemData* WorkingItem(PVHANDLE item)
{
    for (PVItemData& data : item->parent->working.items) {
        if (data.name == item->itemName)
            return &data;
    }
    return nullptr;
}

struct Message {
    PVSTATUS status;
    const char* text;
};

const Message kMessages[] = {
    {PVOK, "No error."},
    {PVERR_NOT_INITIALIZED, "The client session has not been initialized."},
    {PVERR_DATABASE_NOT_FOUND, "The database file could not be found."},
    {PVERR_DATABASE_UNREADABLE, "The database file could not be read."},
    {PVERR_DATABASE_DAMAGED, "The database file is damaged and cannot be used."},
    {PVERR_DATABASE_NOT_OPEN, "The database is not open."},
    {PVERR_DATABASE_UNWRITABLE, "The database file could not be written; it has not been changed."},
    {PVERR_NO_SUCH_DOCUMENT, "The document does not exist in the database."},
    {PVERR_DOCUMENT_NOT_OPEN, "The document is not open."},
    {PVERR_NO_SUCH_ITEM, "The document has no item of that name."},
    {PVERR_ITEM_EXISTS, "The document already has an item of that name."},
    {PVERR_NO_SUCH_VALUE, "The item has no value at that position."},
    {PVERR_BAD_ARGUMENT, "An argument of the call is not valid."},
    {PVERR_INJECTED, "The operation failed (a failure injected for a test)."},
    {PVERR_OUT_OF_MEMORY, "There is not enough memory for the operation; the database file has not been changed."},
    {PVERR_NO_DOCUMENT_ID, "The database has no document id left for a new document."},
    {PVERR_INTERNAL, "The operation failed inside the client library."},
};

// No C++ exception may leave the library: its caller carries an unwinder of its own, and an
// exception crossing into it ends the process. Whatever a call throws becomes its status; the
// database and its file are changed only after everything that can throw has been done.
template <typename Body>
PVSTATUS Guarded(Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PVERR_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return PVERR_OUT_OF_MEMORY;
    } catch (...) {
        return PVERR_INTERNAL;
    }
}

} // namespace

extern "C" {

PVSTATUS __cdecl PVAPI_Initialize(unsigned short, unsigned long, const char* const*, const char*)
{
    return Guarded([&]() -> PVSTATUS {
        ReadFailureInjection();
        g_initialized = true;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_Term()
{
    return Guarded([&]() -> PVSTATUS {
        g_initialized = false;
        g_throwAllErrors = false;
        return PVOK;
    });
}

void __cdecl PVAPI_SetThrowAllErrors(int on)
{
    g_throwAllErrors = on != 0;
}

int __cdecl PVAPI_ThrowsAllErrors()
{
    return g_throwAllErrors ? 1 : 0;
}

void __cdecl PVAPI_Release(PVHANDLE handle)
{
    Release(handle);
}

PVSTATUS __cdecl PVAPI_GetDatabase(const char* path, const char*, PVHANDLE* database)
{
    return Guarded([&]() -> PVSTATUS {
        if (!database || !path)
            return PVERR_BAD_ARGUMENT;
        *database = nullptr;
        if (!g_initialized)
            return PVERR_NOT_INITIALIZED;
        if (InjectedFailure("GetDatabase"))
            return PVERR_INJECTED;
        *database = NewHandle(PVHandle_::Database, nullptr);
        (*database)->path = path;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DatabaseOpen(PVHANDLE database)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database))
            return PVERR_BAD_ARGUMENT;
        if (InjectedFailure("Open"))
            return PVERR_INJECTED;
        std::string bytes;
        switch (ReadDatabaseFile(database->path, bytes)) {
        case FileRead::Missing: return PVERR_DATABASE_NOT_FOUND;
        case FileRead::Unreadable: return PVERR_DATABASE_UNREADABLE;
        case FileRead::Ok: break;
        }
        if (!ParseDatabase(bytes, database->data))
            return PVERR_DATABASE_DAMAGED;
        database->open = true;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DatabaseClose(PVHANDLE database)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database))
            return PVERR_BAD_ARGUMENT;
        if (!database->open)
            return PVERR_DATABASE_NOT_OPEN;
        database->open = false;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_GetDocuments(PVHANDLE database, unsigned long* count)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database) || !count)
            return PVERR_BAD_ARGUMENT;
        *count = 0;
        if (!database->open)
            return PVERR_DATABASE_NOT_OPEN;
        if (InjectedFailure("GetDocuments"))
            return PVERR_INJECTED;
        database->collection.clear();
        for (const PVDocumentData& document : database->data.documents)
            database->collection.push_back(document.id);
        *count = static_cast<unsigned long>(database->collection.size());
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_GetDocument(PVHANDLE database, unsigned long position, PVHANDLE* document)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database) || !document || position >= database->collection.size())
            return PVERR_BAD_ARGUMENT;
        *document = NewHandle(PVHandle_::Document, database);
        (*document)->id = database->collection[position];
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DocumentOpen(PVHANDLE document, unsigned long)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDocument(document))
            return PVERR_BAD_ARGUMENT;
        if (!document->parent->open)
            return PVERR_DATABASE_NOT_OPEN;
        if (InjectedFailure("DocumentOpen"))
            return PVERR_INJECTED;
        const PVDocumentData* stored = FindDocument(document->parent->data, document->id);
        if (!stored)
            return PVERR_NO_SUCH_DOCUMENT;
        document->working = *stored;
        document->documentOpen = true;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DocumentClose(PVHANDLE document)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDocument(document))
            return PVERR_BAD_ARGUMENT;
        if (!document->documentOpen)
            return PVERR_DOCUMENT_NOT_OPEN;
        document->documentOpen = false;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DeleteDocument(PVHANDLE database, PVHANDLE document)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database) || !IsDocument(document) || document->parent != database)
            return PVERR_BAD_ARGUMENT;
        if (!database->open)
            return PVERR_DATABASE_NOT_OPEN;
        if (InjectedFailure("DeleteDocument"))
            return PVERR_INJECTED;
        PVDatabaseData changed = database->data;
        for (size_t i = 0; i < changed.documents.size(); ++i) {
            if (changed.documents[i].id == document->id) {
                changed.documents.erase(changed.documents.begin() + static_cast<long>(i));
                return Persist(database, std::move(changed));
            }
        }
        return PVERR_NO_SUCH_DOCUMENT;
    });
}

PVSTATUS __cdecl PVAPI_CreateDocument(PVHANDLE database, PVHANDLE* document)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDatabase(database) || !document)
            return PVERR_BAD_ARGUMENT;
        *document = nullptr;
        if (!database->open)
            return PVERR_DATABASE_NOT_OPEN;
        if (InjectedFailure("CreateDocument"))
            return PVERR_INJECTED;
        *document = NewHandle(PVHandle_::Document, database);
        (*document)->documentOpen = true;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_DocumentSave(PVHANDLE document, unsigned long)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDocument(document))
            return PVERR_BAD_ARGUMENT;
        if (!document->documentOpen)
            return PVERR_DOCUMENT_NOT_OPEN;
        PVHANDLE database = document->parent;
        if (!database->open)
            return PVERR_DATABASE_NOT_OPEN;
        if (InjectedFailure("Save"))
            return PVERR_INJECTED;
        PVDatabaseData changed = database->data;
        PVDocumentData saved = document->working;
        if (document->id == 0) {
            // The largest id cannot be given: the next one after it could not be written.
            if (changed.nextId == 0 || changed.nextId == 0xFFFFFFFFul)
                return PVERR_NO_DOCUMENT_ID;
            saved.id = changed.nextId++;
            changed.documents.push_back(saved);
        } else {
            PVDocumentData* stored = FindDocument(changed, document->id);
            if (!stored)
                return PVERR_NO_SUCH_DOCUMENT;
            saved.id = document->id;
            *stored = saved;
        }
        PVSTATUS status = Persist(database, std::move(changed));
        if (status == PVOK)
            document->id = document->working.id = saved.id;
        return status;
    });
}

PVSTATUS __cdecl PVAPI_GetItem(PVHANDLE document, const char* name, PVHANDLE* item)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDocument(document) || !name || !item)
            return PVERR_BAD_ARGUMENT;
        *item = nullptr;
        if (!document->documentOpen)
            return PVERR_DOCUMENT_NOT_OPEN;
        if (InjectedFailure("GetItem"))
            return PVERR_INJECTED;
        if (!document->working.FindItem(name))
            return PVERR_NO_SUCH_ITEM;
        *item = NewHandle(PVHandle_::Item, document);
        (*item)->itemName = name;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_CreateItem(PVHANDLE document, const char* name, unsigned long flags, PVITEMOPTION option,
                                  PVHANDLE* item)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsDocument(document) || !name || !item)
            return PVERR_BAD_ARGUMENT;
        *item = nullptr;
        if (!document->documentOpen)
            return PVERR_DOCUMENT_NOT_OPEN;
        if (InjectedFailure("CreateItem"))
            return PVERR_INJECTED;
        if (document->working.FindItem(name))
            return PVERR_ITEM_EXISTS;
        PVItemData data;
        data.name = name;
        data.flags = flags;
        data.option = option;
        document->working.items.push_back(data);
        *item = NewHandle(PVHandle_::Item, document);
        (*item)->itemName = name;
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_TextSetValue(PVHANDLE item, const char* value, unsigned long length)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsItem(item) || !value)
            return PVERR_BAD_ARGUMENT;
        if (InjectedFailure("SetValue"))
            return PVERR_INJECTED;
        PVItemData* data = WorkingItem(item);
        if (!data)
            return PVERR_NO_SUCH_ITEM;
        data->values.assign(1, std::string(value, length));
        return PVOK;
    });
}

PVSTATUS __cdecl PVAPI_TextGetValue(PVHANDLE item, unsigned long index, char* buffer, unsigned long size,
                                    unsigned long* length)
{
    return Guarded([&]() -> PVSTATUS {
        if (!IsItem(item) || !buffer || size == 0 || !length)
            return PVERR_BAD_ARGUMENT;
        buffer[0] = '\0';
        *length = 0;
        const PVItemData* data = WorkingItem(item);
        if (!data)
            return PVERR_NO_SUCH_ITEM;
        if (index >= data->values.size())
            return PVERR_NO_SUCH_VALUE;
        const std::string& value = data->values[index];
        unsigned long copied = value.size() < size ? static_cast<unsigned long>(value.size()) : size - 1;
        memcpy(buffer, value.data(), copied);
        buffer[copied] = '\0';
        *length = static_cast<unsigned long>(value.size());
        return PVOK;
    });
}

PVSTATUS __cdecl PVGetErrorMessage(PVSTATUS status, char* buffer, unsigned long size)
{
    if (!buffer || size == 0)
        return PVERR_BAD_ARGUMENT;
    const char* text = "Unknown status value.";
    for (const Message& message : kMessages) {
        if (message.status == status)
            text = message.text;
    }
    lstrcpynA(buffer, text, static_cast<int>(size));
    return PVOK;
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
#ifdef PVAPI411_PLANTED
    // Built once more for the tests as a copy a user planted where a search for the library meets
    // it first: it leaves a mark in the current folder when it is loaded.
    if (reason == DLL_PROCESS_ATTACH)
        CloseHandle(CreateFileA("planted-pvapi411.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
#else
    (void)reason;
#endif
    return TRUE;
}
