// Text files as the product reads and writes them: opened without sharing, read line by line in
// text mode (CR LF or LF ends a line, Ctrl-Z ends the file, a line may be of any length) and
// written with CR LF after every line. Both classes buffer their I/O in 64 KiB blocks.
#pragma once

#include "CString.h"
#include "UniqueHandle.h"

class CTextFileReader {
public:
    CTextFileReader() = default;
    // Opens an existing file for reading, allowing no other opener meanwhile.
    bool Open(const char* path);
    // The next line without its line end; false at the end of the file or on a read error.
    bool ReadLine(CString& line);
    // True when reading stopped because the system reported an error, not at the end.
    bool Failed() const { return m_failed; }
    void Close() { m_file.Reset(); }

private:
    bool Fill();

    CFileHandle m_file;
    char m_buffer[65536];
    DWORD m_used = 0;
    DWORD m_pos = 0;
    bool m_atEnd = false;
    bool m_failed = false;
};

class CTextFileWriter {
public:
    CTextFileWriter() = default;
    ~CTextFileWriter();
    // Creates the file for writing (an existing one is replaced), allowing no other opener.
    bool Create(const char* path);
    // Writes the line followed by CR LF; false once any write has failed.
    bool WriteLine(const CString& line);
    // Writes what is buffered and closes; false if anything was not written.
    bool Close();

private:
    bool Put(const char* data, int length);
    bool Flush();

    CFileHandle m_file;
    char m_buffer[65536];
    DWORD m_used = 0;
    bool m_failed = false;
};
