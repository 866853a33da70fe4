// pvapi411: the client library of the Mondrel document database, as the Mondrel mapping library
// uses it. A database holds documents; a document holds named text items, each with values.
//
// The library reports every failure as an unsigned 32-bit status value. Once errors are set to
// be thrown (PVSetThrowAllErrors(1)), every failing call raises its status value as a C++
// exception of type PVSTATUS. The exception is raised here, in the calling module, by the inline
// wrappers below: an exception must never unwind through a module boundary.
#pragma once

#include <string>
#include <vector>

typedef unsigned long PVSTATUS;
typedef unsigned long PVITEMOPTION;

// Status values.
const PVSTATUS PVOK = 0;
const PVSTATUS PVERR_NOT_INITIALIZED = 0x00004101;
const PVSTATUS PVERR_DATABASE_NOT_FOUND = 0x00004102;
const PVSTATUS PVERR_DATABASE_UNREADABLE = 0x00004103;
const PVSTATUS PVERR_DATABASE_DAMAGED = 0x00004104;
const PVSTATUS PVERR_DATABASE_NOT_OPEN = 0x00004105;
const PVSTATUS PVERR_DATABASE_UNWRITABLE = 0x00004106;
const PVSTATUS PVERR_NO_SUCH_DOCUMENT = 0x00004107;
const PVSTATUS PVERR_DOCUMENT_NOT_OPEN = 0x00004108;
const PVSTATUS PVERR_NO_SUCH_ITEM = 0x00004109;
const PVSTATUS PVERR_ITEM_EXISTS = 0x0000410A;
const PVSTATUS PVERR_NO_SUCH_VALUE = 0x0000410B;
const PVSTATUS PVERR_BAD_ARGUMENT = 0x0000410C;
const PVSTATUS PVERR_INJECTED = 0x0000410D;
const PVSTATUS PVERR_OUT_OF_MEMORY = 0x0000410E;
const PVSTATUS PVERR_NO_DOCUMENT_ID = 0x0000410F;
const PVSTATUS PVERR_INTERNAL = 0x00004110;

// The C interface of pvapi411.dll. Handles are the library's own objects, released with
// PVAPI_Release; text comes back through the caller's buffers.
typedef struct PVHandle_* PVHANDLE;
#ifdef PVAPI411_BUILDING
#define PVAPI_IMPORT // exported by pvapi411.def
#else
#define PVAPI_IMPORT __declspec(dllimport)
#endif
extern "C" {
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_Initialize(unsigned short version, unsigned long flags,
                                                         const char* const* names, const char* name);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_Term();
PVAPI_IMPORT void __cdecl PVAPI_SetThrowAllErrors(int on);
PVAPI_IMPORT int __cdecl PVAPI_ThrowsAllErrors();
PVAPI_IMPORT void __cdecl PVAPI_Release(PVHANDLE handle);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_GetDatabase(const char* path, const char* server, PVHANDLE* database);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DatabaseOpen(PVHANDLE database);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DatabaseClose(PVHANDLE database);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_GetDocuments(PVHANDLE database, unsigned long* count);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_GetDocument(PVHANDLE database, unsigned long position, PVHANDLE* document);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DeleteDocument(PVHANDLE database, PVHANDLE document);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_CreateDocument(PVHANDLE database, PVHANDLE* document);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DocumentOpen(PVHANDLE document, unsigned long option);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DocumentClose(PVHANDLE document);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_DocumentSave(PVHANDLE document, unsigned long option);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_GetItem(PVHANDLE document, const char* name, PVHANDLE* item);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_CreateItem(PVHANDLE document, const char* name, unsigned long flags,
                                                         PVITEMOPTION option, PVHANDLE* item);
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_TextSetValue(PVHANDLE item, const char* value, unsigned long length);
// Copies value `index` into buffer (up to size - 1 bytes and a zero) and gives its full length.
PVAPI_IMPORT PVSTATUS __cdecl PVAPI_TextGetValue(PVHANDLE item, unsigned long index, char* buffer,
                                                           unsigned long size, unsigned long* length);
PVAPI_IMPORT PVSTATUS __cdecl PVGetErrorMessage(PVSTATUS status, char* buffer, unsigned long size);
}

inline PVSTATUS PVRaise(PVSTATUS status)
{
    if (status != PVOK && PVAPI_ThrowsAllErrors())
        throw status;
    return status;
}

inline void PVSetThrowAllErrors(int on)
{
    PVAPI_SetThrowAllErrors(on);
}

// Owns one handle of the library.
class PVObject {
public:
    PVObject() = default;
    PVObject(const PVObject&) = delete;
    PVObject& operator=(const PVObject&) = delete;
    PVObject(PVObject&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    ~PVObject() { Reset(nullptr); }
    PVHANDLE Handle() const { return m_handle; }
    void Reset(PVHANDLE handle)
    {
        if (m_handle)
            PVAPI_Release(m_handle);
        m_handle = handle;
    }

protected:
    PVHANDLE m_handle = nullptr;
};

class PVString {
public:
    PVString() = default;
    PVString(const char* text) : m_text(text ? text : "") {}
    PVString(const char* text, size_t length) : m_text(text, length) {}
    const char* GetBuf() const { return m_text.c_str(); }
    unsigned long GetLength() const { return static_cast<unsigned long>(m_text.size()); }

private:
    std::string m_text;
};

class PVItem : public PVObject {};

class PVText;

// One value of a text item.
class PVTextElement {
public:
    PVTextElement(const PVText& text, unsigned long index) : m_text(text), m_index(index) {}
    operator PVString() const;

private:
    const PVText& m_text;
    unsigned long m_index;
};

class PVText : public PVItem {
public:
    PVTextElement operator[](unsigned long index) const { return PVTextElement(*this, index); }
    PVSTATUS SetValue(const PVString& value) { return PVRaise(PVAPI_TextSetValue(m_handle, value.GetBuf(), value.GetLength())); }
};

inline PVTextElement::operator PVString() const
{
    unsigned long length = 0;
    char small[256];
    if (PVRaise(PVAPI_TextGetValue(m_text.Handle(), m_index, small, sizeof small, &length)) != PVOK)
        return PVString();
    if (length < sizeof small)
        return PVString(small, length);
    std::vector<char> large(length + 1);
    if (PVRaise(PVAPI_TextGetValue(m_text.Handle(), m_index, large.data(), length + 1, &length)) != PVOK)
        return PVString();
    return PVString(large.data(), length);
}

class PVNote : public PVObject {
public:
    PVSTATUS GetItem(const char* name, PVText& item)
    {
        PVHANDLE handle = nullptr;
        PVSTATUS status = PVAPI_GetItem(m_handle, name, &handle);
        item.Reset(handle);
        return PVRaise(status);
    }
    PVSTATUS CreateItem(const char* name, PVText& item, unsigned long flags, PVITEMOPTION option)
    {
        PVHANDLE handle = nullptr;
        PVSTATUS status = PVAPI_CreateItem(m_handle, name, flags, option, &handle);
        item.Reset(handle);
        return PVRaise(status);
    }
    PVSTATUS Save(unsigned long option) { return PVRaise(PVAPI_DocumentSave(m_handle, option)); }
};

class PVDocument : public PVNote {
public:
    PVDocument() = default;
    PVDocument(PVDocument&&) = default;
    PVSTATUS Open(unsigned long option) { return PVRaise(PVAPI_DocumentOpen(m_handle, option)); }
    PVSTATUS Close() { return PVRaise(PVAPI_DocumentClose(m_handle)); }
};

class PVNoteArray {
public:
    unsigned long GetCount() const { return static_cast<unsigned long>(m_documents.size()); }

protected:
    std::vector<PVDocument> m_documents;
};

class PVDatabase;

// Every document of a database, as it stood when the collection was taken.
class PVDocumentArray : public PVNoteArray {
public:
    // A position beyond the collection raises PVERR_NO_SUCH_DOCUMENT; when errors are not
    // thrown it gives a document without a handle, on which every call fails with a status.
    PVDocument& operator[](unsigned long position)
    {
        if (position < m_documents.size())
            return m_documents[position];
        PVRaise(PVERR_NO_SUCH_DOCUMENT);
        m_none.Reset(nullptr);
        return m_none;
    }

private:
    friend class PVDatabase;
    PVDocument m_none;
};

class PVDatabase : public PVObject {
public:
    PVSTATUS Open() { return PVRaise(PVAPI_DatabaseOpen(m_handle)); }
    PVSTATUS Close() { return PVRaise(PVAPI_DatabaseClose(m_handle)); }
    PVSTATUS GetDocuments(PVDocumentArray& documents)
    {
        documents.m_documents.clear();
        unsigned long count = 0;
        PVSTATUS status = PVAPI_GetDocuments(m_handle, &count);
        for (unsigned long i = 0; status == PVOK && i < count; ++i) {
            PVHANDLE handle = nullptr;
            status = PVAPI_GetDocument(m_handle, i, &handle);
            PVDocument document;
            document.Reset(handle);
            documents.m_documents.push_back(std::move(document));
        }
        return PVRaise(status);
    }
    PVSTATUS DeleteDocument(PVDocument& document) { return PVRaise(PVAPI_DeleteDocument(m_handle, document.Handle())); }
    PVSTATUS CreateDocument(PVDocument& document)
    {
        PVHANDLE handle = nullptr;
        PVSTATUS status = PVAPI_CreateDocument(m_handle, &handle);
        document.Reset(handle);
        return PVRaise(status);
    }
};

class PVVeldaSession {
public:
    PVVeldaSession() = default;
    ~PVVeldaSession() = default;
    PVSTATUS Initialize(unsigned short version, unsigned long flags, const char* const* names, const char* name)
    {
        return PVRaise(PVAPI_Initialize(version, flags, names, name));
    }
    PVSTATUS GetDatabase(const PVString& path, PVDatabase& database, const PVString& server)
    {
        PVHANDLE handle = nullptr;
        PVSTATUS status = PVAPI_GetDatabase(path.GetBuf(), server.GetBuf(), &handle);
        database.Reset(handle);
        return PVRaise(status);
    }
    PVSTATUS Term() { return PVRaise(PVAPI_Term()); }
};
