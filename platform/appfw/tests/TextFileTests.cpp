#include "ByteBlock.h"
#include "ReadGuard.h"
#include "ReplacementFile.h"
#include "TextFile.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <functional>
#include <random>
#include <vector>

namespace {

std::vector<std::string> ReadAllLines(const CString& path)
{
    CTextFileReader reader;
    REQUIRE(reader.Open(path));
    std::vector<std::string> lines;
    CString line;
    while (reader.ReadLine(line))
        lines.emplace_back(line.c_str(), line.GetLength());
    CHECK_FALSE(reader.Failed());
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST_CASE("lines are read in text mode")
{
    CScratchDir dir;
    CString path = dir / "in.txt";
    struct Case {
        const char* rule;
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"CR LF and LF both end a line", "one\r\ntwo\nthree\r\n", {"one", "two", "three"}},
        {"a last line without line end is still a line", "one\ntwo", {"one", "two"}},
        {"empty lines are lines", "\n\r\nx\n", {"", "", "x"}},
        {"a CR without LF stays in the line", "a\rb\ncr\r", {"a\rb", "cr\r"}},
        {"Ctrl-Z ends the file, also inside a line", "one\ntw\x1Ao\nthree\n", {"one", "tw"}},
        {"Ctrl-Z at a line start ends the file there", "one\n\x1Atwo\n", {"one"}},
        {"a CR before Ctrl-Z is no line end and stays", "one\r\x1A", {"one\r"}},
        {"an empty file has no line", "", {}},
        {"NUL bytes are kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            WriteBytes(path, c.bytes);
            CHECK(ReadAllLines(path) == c.lines);
        }
    }
}

TEST_CASE("lines longer than the read buffer, and CR LF split across two reads, come out whole")
{
    CScratchDir dir;
    CString path = dir / "long.txt";
    std::string longLine(65535, 'x'); // the CR is the buffer's last byte, the LF the next read's first
    std::string huge(3 * 1024 * 1024 + 7, 'y');
    WriteBytes(path, longLine + "\r\n" + huge + "\nend");
    Lines lines = ReadAllLines(path);
    REQUIRE(lines.size() == 3);
    CHECK(lines[0] == longLine);
    CHECK(lines[1] == huge);
    CHECK(lines[2] == "end");
}

TEST_CASE("written lines end in CR LF")
{
    CScratchDir dir;
    CString path = dir / "out.txt";
    CTextFileWriter writer;
    REQUIRE(writer.Create(path));
    CHECK(writer.WriteLine(CString("first")));
    CHECK(writer.WriteLine(CString()));
    CHECK(writer.WriteLine(CString(std::string(100000, 'z').c_str())));
    CHECK(writer.Close());
    CHECK(ReadBytes(path) == "first\r\n\r\n" + std::string(100000, 'z') + "\r\n");
}

TEST_CASE("files are opened without sharing")
{
    CScratchDir dir;
    CString path = dir / "held.txt";
    WriteBytes(path, "x\n");
    CTextFileReader reader;
    REQUIRE(reader.Open(path));
    CTextFileReader second;
    CHECK_FALSE(second.Open(path));
    CTextFileWriter writer;
    CHECK_FALSE(writer.Create(path));
    reader.Close();
    CHECK(second.Open(path));
}

TEST_CASE("runs of lines are the lines that reading line by line gives, with their CR LF, read any way")
{
    // Files of short and long lines with every kind of line end, some larger than the buffer,
    // read both ways: runs (split at their LFs) where there are runs, lines elsewhere. Each is
    // read in blocks and mapped, with each form of the byte pass, and read again from its start.
    const unsigned seed = 7070;
    std::mt19937 random(seed);
    CScratchDir dir;
    // The temporary folder lies on a fixed drive, the program's folder on a network drive.
    const CString paths[] = {dir / "mixed.txt", ProgramFolder() + "mixed-on-network.txt"};
    int allRunLines = 0, allLines = 0;
    const BytePass before = CurrentBytePass();
    for (int round = 0; round < 40; ++round) {
        INFO("seed " << seed << ", round " << round);
        size_t size = random() % 3 == 0 ? 200000 : random() % 3000;
        std::string bytes = RandomLines(random, size, 50, [&] {
            return std::string(random() % 10 == 0 ? random() % 70000 : random() % 60, 'a' + random() % 26);
        });
        const CString& path = paths[round % 2];
        WriteBytes(path, bytes);
        const Lines expected = ReadAllLines(path);
        for (BytePass pass : {BytePass::Words, BytePass::Sse2}) {
            for (CTextFileReader::Way way : {CTextFileReader::InBlocks, CTextFileReader::MappedOnFixedDrive}) {
                INFO("pass " << static_cast<int>(pass) << ", way " << way << ", " << path.c_str());
                REQUIRE(UseBytePass(pass));
                CTextFileReader reader;
                REQUIRE(reader.Open(path, way));
                const bool mapped = way == CTextFileReader::MappedOnFixedDrive && round % 2 == 0 &&
                                    !bytes.empty() && CanGuardMappedReads();
                CHECK((reader.MappedBytes() != nullptr) == mapped);
                for (int reading = 0; reading < 2; ++reading) {
                    REQUIRE(reader.Rewind());
                    Lines lines;
                    int runLines = 0;
                    for (;;) {
                        CTextRun run;
                        reader.ReadRun(run);
                        if (run.length > 0) {
                            std::string text(run.text, run.length);
                            for (size_t at = 0; at < text.size();) {
                                size_t lf = text.find('\n', at);
                                REQUIRE(lf != std::string::npos);
                                REQUIRE((lf > 0 && text[lf - 1] == '\r'));
                                lines.push_back(text.substr(at, lf - 1 - at));
                                at = lf + 1;
                                ++runLines;
                            }
                            continue;
                        }
                        CTextLine line;
                        if (!reader.ReadLine(line))
                            break;
                        lines.emplace_back(line.text, line.length);
                    }
                    CHECK_FALSE(reader.Failed());
                    CHECK(lines == expected);
                    allRunLines += runLines;
                    allLines += static_cast<int>(lines.size());
                }
            }
        }
    }
    UseBytePass(before);
    DeleteFileA(paths[1]);
    CHECK(allRunLines * 2 > allLines); // most lines came as runs
}

TEST_CASE("a replacement takes the file's place whole, or leaves it and nothing of itself, with the system's error")
{
    CScratchDir dir;
    const CString file = dir / "HTTPD.CNF", temp = file + "1";
    CFileHandle held;
    struct Case {
        const char* rule;
        std::function<void()> make;
        DWORD error; // where Create fails; ERROR_SUCCESS when the replacement takes the file's place
        bool tempStays; // what stood at the temporary name is someone else's and stays
    } cases[] = {
        {"nothing at the temporary name", [] {}, ERROR_SUCCESS, false},
        {"a file left at the temporary name, removed first", [&] { WriteBytes(temp, "left"); }, ERROR_SUCCESS, false},
        {"a read-only file at the temporary name", [&] { WriteBytes(temp, "kept"), SetFileAttributesA(temp, FILE_ATTRIBUTE_READONLY); },
         ERROR_ACCESS_DENIED, true},
        {"a file another program holds at the temporary name", [&] {
             WriteBytes(temp, "kept");
             held.Reset(CreateFileA(temp, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         }, ERROR_SHARING_VIOLATION, true},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            WriteBytes(file, "before");
            SetFileAttributesA(file, FILE_ATTRIBUTE_HIDDEN);
            c.make();
            {
                CReplacementFile replacement(file, temp);
                const bool created = replacement.Create();
                CHECK(replacement.Error() == c.error);
                CHECK(created == (c.error == ERROR_SUCCESS));
                CHECK((created && replacement.Write("after", 5) && replacement.Commit()) == created);
            }
            held.Reset();
            CHECK(ReadBytes(file) == (c.error == ERROR_SUCCESS ? "after" : "before"));
            CHECK((GetFileAttributesA(file) & FILE_ATTRIBUTE_HIDDEN) != 0);
            CHECK(FileExists(temp) == c.tempStays);
            SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
        }
    }
    SECTION("one that is not committed goes, and the file stays as it was")
    {
        WriteBytes(file, "before");
        {
            CReplacementFile replacement(file, temp);
            REQUIRE(replacement.Create());
            REQUIRE(replacement.Write("half", 4));
        }
        CHECK(ReadBytes(file) == "before");
        CHECK_FALSE(FileExists(temp));
    }
}
