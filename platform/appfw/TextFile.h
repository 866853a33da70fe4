// Text files as the product reads and writes them: opened without sharing, read line by line in
// text mode (CR LF or LF ends a line, Ctrl-Z ends the file's text, a line may be of any length;
// the mark and what follows it can be read as they stand) and written with CR LF after every
// line. The writer buffers in 64 KiB blocks; the reader reads such blocks, or, for one call that
// reads a file several times over, maps the whole file where it lies on a fixed drive.
#pragma once

#include "CString.h"
#include "UniqueHandle.h"

// A line as it lies in the reader's buffer, without its line end; valid until the next read.
struct CTextLine {
    const char* text;
    int length;
};

// Whole lines as they lie in the reader's buffer, each already ending in CR LF: written out as
// they stand they are exactly what writing each line would give. Valid until the next read.
struct CTextRun {
    const char* text;
    int length; // up to and including the last LF
};

class CTextFileReader {
public:
    enum Way {
        InBlocks,
        // Mapped whole where the file lies on a fixed drive, is not empty and a view of it can be
        // had; in blocks elsewhere (a network or removable drive, whose reads may fail under the
        // view). Only for code that reads it under RunGuardingMappedReads.
        MappedOnFixedDrive,
    };
    CTextFileReader() = default;
    CTextFileReader(const CTextFileReader&) = delete;
    CTextFileReader& operator=(const CTextFileReader&) = delete;
    ~CTextFileReader() { Close(); }
    // Opens an existing file for reading, allowing no other opener meanwhile.
    bool Open(const char* path, Way way = InBlocks);
    // The whole file where it is mapped; null otherwise.
    const char* MappedBytes() const { return m_view; }
    DWORD MappedLength() const { return m_viewLength; }
    // Reads from the start again, as from a file just opened; false when that cannot be done.
    bool Rewind();
    // The next line without its line end; false at the end of the file or on a read error.
    bool ReadLine(CTextLine& line);
    bool ReadLine(CString& line);
    // As many of the next lines as lie in the buffer and end in CR LF (none when the next line
    // does not, or runs on beyond the buffer: ReadLine takes that one). A large file is mostly
    // such runs, found in one pass over its bytes (FindRunBreak) without looking at each line.
    void ReadRun(CTextRun& run);
    // True when the line ReadLine gave last was cut short by the end mark rather than ended.
    bool LineCutByEndMark() const { return m_lineCut; }
    // Once reading has stopped at an end mark: the mark and every byte after it, a block at a
    // time as they lie in the file. False when there is nothing (more) or on a read error.
    bool ReadPastEndMark(const char*& bytes, int& length);
    // True when reading stopped because the system reported an error, not at the end.
    bool Failed() const { return m_failed; }
    // That error, or Rewind's.
    DWORD Error() const { return m_error; }
    void Close();

private:
    void Restart();
    void Unmap();
    bool Fill();
    // The next block as it lies in the file: into the buffer, or the whole view once.
    bool ReadBlock(DWORD& got);

    CFileHandle m_file;
    HANDLE m_mapping = nullptr;
    const char* m_view = nullptr;
    DWORD m_viewLength = 0;
    bool m_viewGiven = false;
    const char* m_data = m_buffer; // the block: the buffer or the view
    char m_buffer[65536];
    DWORD m_used = 0;
    DWORD m_pos = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    DWORD m_error = ERROR_SUCCESS;
    bool m_atMark = false;
    bool m_lineCut = false;
    DWORD m_blockEnd = 0; // where the block that holds the end mark ends
    CString m_joined; // a line that runs on from one block of the file into the next
};

class CTextFileWriter {
public:
    CTextFileWriter() = default;
    ~CTextFileWriter();
    // Creates the file for writing (an existing one is replaced), allowing no other opener.
    bool Create(const char* path);
    // Writes into a file that its owner flushes and closes (a rewrite's replacement file).
    bool Attach(HANDLE file);
    // Writes the line followed by CR LF; false once any write has failed.
    bool WriteLine(const char* text, int length);
    // Writes whole lines with their line ends as they stand (a run).
    bool WriteLines(const char* text, int length) { return WriteBytes(text, length); }
    // Writes the bytes as they stand.
    bool WriteBytes(const char* bytes, int length);
    // Takes back the CR LF after the line just written, where the last write was a line.
    void LeaveOffLastLineEnd();
    bool WriteLine(const CString& line) { return WriteLine(line.c_str(), line.GetLength()); }
    // Writes what is buffered, flushes it to the disk and closes; false if anything was not
    // written or the flush failed. An attached file only gets what is buffered.
    bool Close();
    // The system's error where writing first failed.
    DWORD Error() const { return m_error; }

private:
    bool Put(const char* data, int length);
    bool WriteOut(const char* data, DWORD length);
    bool Flush();

    CFileHandle m_owned;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_lineEndLast = false;
    char m_buffer[65536];
    DWORD m_used = 0;
    bool m_failed = false;
    DWORD m_error = ERROR_SUCCESS;
};
