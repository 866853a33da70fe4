#include "TextFile.h"

#include "ByteBlock.h"
#include "PathText.h"
#include "ReadGuard.h"

#include <cstring>

namespace {

const char kCtrlZ = '\x1A';
// A view larger than this is not asked for: a 32-bit process seldom has that much room in one
// piece, and blocks serve as well.
const DWORD kLargestView = 512u << 20;
// As much as a processor's second-level cache holds, and more than the writer's buffer, so that
// a run goes to the file from where it lies.
const ptrdiff_t kMappedRunBytes = 256 << 10;

bool OnFixedDrive(const char* path)
{
    const CString full = FullPathOf(path);
    // A path of the form "X:\..." names its drive; any other (a network share) is read in blocks.
    const char letter = full.GetLength() >= 3 && full[1] == ':' && full[2] == '\\' ? AsciiUpper(full[0]) : 0;
    if (letter < 'A' || letter > 'Z')
        return false;
    // A drive's kind is asked once for the process: the answer does not change while setup runs,
    // and some systems take milliseconds to give it. A drive that is taken away all the same is
    // met by the guard of the mapped reads.
    static UINT kinds['Z' - 'A' + 1] = {};
    UINT& kind = kinds[letter - 'A'];
    if (kind == 0) {
        const char root[] = {letter, ':', '\\', '\0'};
        kind = GetDriveTypeA(root) + 1;
    }
    return kind == DRIVE_FIXED + 1;
}

} // namespace

bool CTextFileReader::Open(const char* path, Way way)
{
    Close();
    Restart();
    m_file.Reset(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file || way != MappedOnFixedDrive || !CanGuardMappedReads() || !OnFixedDrive(path))
        return m_file.IsValid();
    DWORD high = 0;
    const DWORD size = GetFileSize(m_file.Get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size == 0 || size > kLargestView)
        return true;
    m_mapping = CreateFileMappingA(m_file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m_mapping)
        m_view = static_cast<const char*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0));
    if (m_view)
        m_viewLength = size;
    else
        Unmap(); // read in blocks
    return true;
}

void CTextFileReader::Restart()
{
    m_error = ERROR_SUCCESS;
    m_used = m_pos = 0;
    m_atEnd = m_failed = m_atMark = m_lineCut = m_viewGiven = false;
    m_data = m_buffer;
}

bool CTextFileReader::Rewind()
{
    Restart();
    if (m_view || (m_file && SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == 0))
        return true;
    m_error = m_file ? GetLastError() : ERROR_INVALID_HANDLE;
    return false;
}

void CTextFileReader::Close()
{
    Unmap();
    m_file.Reset();
}

void CTextFileReader::Unmap()
{
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_mapping)
        CloseHandle(m_mapping);
    m_view = nullptr;
    m_mapping = nullptr;
    m_viewLength = 0;
}

bool CTextFileReader::ReadBlock(DWORD& got)
{
    got = 0;
    if (m_view) {
        if (!m_viewGiven)
            got = m_viewLength;
        m_viewGiven = true;
        m_data = m_view;
        return true;
    }
    m_data = m_buffer;
    return ReadFile(m_file.Get(), m_buffer, sizeof m_buffer, &got, nullptr) != FALSE;
}

bool CTextFileReader::Fill()
{
    if (m_atEnd || !m_file)
        return false;
    DWORD got = 0;
    if (!ReadBlock(got)) {
        m_error = GetLastError();
        m_failed = m_atEnd = true;
        return false;
    }
    if (got == 0) {
        m_atEnd = true;
        return false;
    }
    m_used = got;
    m_pos = 0;
    return true;
}

bool CTextFileReader::ReadLine(CTextLine& line)
{
    m_joined.Empty();
    m_lineCut = false;
    bool any = false;
    const char* text;
    int length;
    for (;;) {
        if (m_pos == m_used && !Fill()) {
            // The file ends without a line end: a CR at its end stays in the line.
            line.text = m_joined.c_str();
            line.length = m_joined.GetLength();
            return any;
        }
        const char* start = m_data + m_pos;
        const char* end = m_data + m_used;
        const char* stop = FindEitherByte(start, end, '\n', kCtrlZ);
        any = any || stop > start;
        m_pos = static_cast<DWORD>(stop - m_data);
        if (stop == end) {
            // The next block overwrites this one: keep what there is of the line.
            m_joined.Append(start, static_cast<int>(stop - start));
            continue;
        }
        if (m_joined.IsEmpty()) {
            text = start;
            length = static_cast<int>(stop - start);
        } else {
            m_joined.Append(start, static_cast<int>(stop - start));
            text = m_joined.c_str();
            length = m_joined.GetLength();
        }
        if (*stop == kCtrlZ) {
            // The text ends here; what follows stays in the file for ReadPastEndMark.
            m_atEnd = m_atMark = true;
            m_lineCut = any;
            m_blockEnd = m_used;
            m_used = m_pos;
        } else {
            ++m_pos; // the LF
            any = true;
            // Text mode: a CR right before the LF belongs to the line end.
            if (length > 0 && text[length - 1] == '\r')
                --length;
        }
        break;
    }
    line.text = text;
    line.length = length;
    return any;
}

void CTextFileReader::ReadRun(CTextRun& run)
{
    if (m_pos == m_used)
        Fill();
    const char* start = m_data + m_pos;
    // A mapped file comes in runs of a few blocks: their bytes are looked at and written while
    // they are still in the processor's cache.
    const char* end = m_data + m_used;
    if (m_view && end - start > kMappedRunBytes)
        end = start + kMappedRunBytes;
    // The run ends behind the last LF in front of the line that breaks it (or of the block's end,
    // where a line may go on into the next block).
    const char* next = FindRunBreak(start, end);
    while (next > start && next[-1] != '\n')
        --next;
    run.text = start;
    run.length = static_cast<int>(next - start);
    m_pos = static_cast<DWORD>(next - m_data);
}

bool CTextFileReader::ReadPastEndMark(const char*& bytes, int& length)
{
    if (!m_atMark || !m_file)
        return false;
    if (m_pos == m_blockEnd) {
        DWORD got = 0;
        if (!ReadBlock(got))
            m_failed = true, m_error = GetLastError();
        if (m_failed || got == 0)
            return false;
        m_pos = 0;
        m_blockEnd = got;
    }
    bytes = m_data + m_pos;
    length = static_cast<int>(m_blockEnd - m_pos);
    m_pos = m_used = m_blockEnd; // nothing of it is read as lines
    return true;
}

bool CTextFileReader::ReadLine(CString& line)
{
    CTextLine read;
    line.Empty();
    if (!ReadLine(read))
        return false;
    line.Append(read.text, read.length);
    return true;
}

CTextFileWriter::~CTextFileWriter()
{
    Close();
}

bool CTextFileWriter::Create(const char* path)
{
    m_used = 0;
    m_error = ERROR_SUCCESS;
    m_failed = m_lineEndLast = false;
    m_owned.Reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    m_file = m_owned.Get();
    return m_owned.IsValid();
}

bool CTextFileWriter::Attach(HANDLE file)
{
    m_used = 0;
    m_error = ERROR_SUCCESS;
    m_failed = m_lineEndLast = false;
    m_owned.Reset();
    m_file = file;
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

bool CTextFileWriter::WriteOut(const char* data, DWORD length)
{
    DWORD done = 0;
    while (!m_failed && done < length) {
        DWORD wrote = 0;
        if (!WriteFile(m_file, data + done, length - done, &wrote, nullptr))
            m_failed = true, m_error = GetLastError();
        else if (wrote == 0)
            m_failed = true, m_error = ERROR_HANDLE_DISK_FULL;
        done += wrote;
    }
    return !m_failed;
}

bool CTextFileWriter::Flush()
{
    WriteOut(m_buffer, m_used);
    m_used = 0;
    return !m_failed;
}

bool CTextFileWriter::Put(const char* data, int length)
{
    // A block or more (a run of a mapped file) goes to the file from where it lies.
    if (length >= static_cast<int>(sizeof m_buffer))
        return Flush() && WriteOut(data, static_cast<DWORD>(length));
    while (length > 0 && !m_failed) {
        if (m_used == sizeof m_buffer && !Flush())
            break;
        DWORD room = sizeof m_buffer - m_used;
        DWORD take = static_cast<DWORD>(length) < room ? static_cast<DWORD>(length) : room;
        CopyBytes(m_buffer + m_used, data, take);
        m_used += take;
        data += take;
        length -= static_cast<int>(take);
    }
    return !m_failed;
}

bool CTextFileWriter::WriteLine(const char* text, int length)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    m_lineEndLast = true;
    if (static_cast<DWORD>(length) + 2 <= sizeof m_buffer - m_used && !m_failed) {
        CopyBytes(m_buffer + m_used, text, length);
        m_used += length;
        m_buffer[m_used++] = '\r';
        m_buffer[m_used++] = '\n';
        return true;
    }
    Put(text, length);
    // The line end goes into the buffer whole, where LeaveOffLastLineEnd can take it back.
    if (sizeof m_buffer - m_used < 2)
        Flush();
    return Put("\r\n", 2);
}

bool CTextFileWriter::WriteBytes(const char* bytes, int length)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    m_lineEndLast = false;
    return Put(bytes, length);
}

void CTextFileWriter::LeaveOffLastLineEnd()
{
    if (m_lineEndLast && !m_failed && m_used >= 2)
        m_used -= 2;
    m_lineEndLast = false;
}

bool CTextFileWriter::Close()
{
    if (m_file == INVALID_HANDLE_VALUE)
        return !m_failed;
    Flush();
    m_file = INVALID_HANDLE_VALUE;
    if (!m_owned)
        return !m_failed;
    // The data must be on the disk before the file can take a configuration's name: a power cut
    // after the rename must not leave the name on a file whose blocks were never written.
    if (!m_failed && !FlushFileBuffers(m_owned.Get()))
        m_failed = true, m_error = GetLastError();
    if (!m_owned.Reset() && !m_failed)
        m_failed = true, m_error = GetLastError();
    return !m_failed;
}
