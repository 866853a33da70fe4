// pvdb: makes and shows Mondrel document databases through pvapi411.dll.
//   pvdb create FILE                   an empty database (an existing file is replaced)
//   pvdb list FILE                     every document with its items, one line each
//   pvdb add FILE NAME=VALUE...        a document with these text items (flags 4)
#include "pvapi411.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Fail(PVSTATUS status)
{
    char message[512] = "";
    PVGetErrorMessage(status, message, sizeof message);
    std::fprintf(stderr, "pvdb: error 0x%08lx: %s\n", status, message);
    return 1;
}

int Create(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "pvdb: cannot create %s\n", path);
        return 1;
    }
    const char empty[] = "PVAPI411 DATABASE 1\nnext 1\ndocuments 0\nend\n";
    DWORD wrote = 0;
    BOOL ok = WriteFile(file, empty, sizeof empty - 1, &wrote, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}

void PrintValue(const PVString& value)
{
    for (const char* p = value.GetBuf(); p < value.GetBuf() + value.GetLength(); ++p)
        std::putchar(*p == '\n' ? ' ' : *p);
}

int List(PVDatabase& database, const char* const* itemNames)
{
    PVDocumentArray documents;
    database.GetDocuments(documents);
    for (unsigned long i = 0; i < documents.GetCount(); ++i) {
        PVDocument& document = documents[i];
        document.Open(0);
        std::printf("%lu:", i + 1);
        for (const char* const* name = itemNames; *name; ++name) {
            PVText text;
            PVAPI_SetThrowAllErrors(0);
            PVSTATUS found = document.GetItem(*name, text);
            PVAPI_SetThrowAllErrors(1);
            if (found != PVOK)
                continue;
            std::printf(" %s=", *name);
            PrintValue(text[0]);
        }
        std::printf("\n");
        document.Close();
    }
    return 0;
}

int Add(PVDatabase& database, int count, char** items)
{
    PVDocument document;
    database.CreateDocument(document);
    for (int i = 0; i < count; ++i) {
        const char* equals = std::strchr(items[i], '=');
        if (!equals) {
            std::fprintf(stderr, "pvdb: %s is not NAME=VALUE\n", items[i]);
            return 2;
        }
        std::string name(items[i], equals - items[i]);
        PVText text;
        document.CreateItem(name.c_str(), text, 4, 0);
        text.SetValue(PVString(equals + 1));
    }
    document.Save(0);
    document.Close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: pvdb create FILE | pvdb list FILE | pvdb add FILE NAME=VALUE...\n");
        return 2;
    }
    std::string command = argv[1];
    if (command == "create")
        return Create(argv[2]);
    static const char* const kListed[] = {"Form", "RM_MapFrom", "RM_MapTo", "RM_MapType", "Title", nullptr};
    PVVeldaSession session;
    session.Initialize(410, 0, nullptr, nullptr);
    PVSetThrowAllErrors(1);
    int result = 2;
    try {
        PVDatabase database;
        session.GetDatabase(PVString(argv[2]), database, PVString(""));
        database.Open();
        if (command == "list")
            result = List(database, kListed);
        else if (command == "add")
            result = Add(database, argc - 3, argv + 3);
        database.Close();
    } catch (PVSTATUS status) {
        result = Fail(status);
    }
    session.Term();
    return result;
}
