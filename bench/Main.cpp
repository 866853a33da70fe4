// vpbench: the benchmark of the two places where a customer waits (the search of the fixed
// drives for the Mondrel server and the rewrites of a large configuration file) against their
// floors, and of a whole configuring run. Prints one Markdown table row per figure; see
// scripts/bench.sh, which makes the workloads and runs every figure in one go.
#include "ByteBlock.h"
#include "EnsureConfigFile.h"
#include "FindFileInTree.h"
#include "PlainCopy.h"
#include "PlainTreeWalk.h"
#include "SequenceOfRewrites.h"
#include "Stopwatch.h"
#include "UniqueHandle.h"
#include "WholeFile.h"
#include "vpsetup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <psapi.h>

namespace {

const int kRepetitions = 5;
const char kTarget[] = "VSERVER.EXE";
// Fewer repetitions for the picture's larger files.
const int kScalingRepetitions = 3;

void PrintRow(const char* figure, const std::string& median, const std::string& floor, const std::string& ratio)
{
    printf("| %s | %s | %s | %s |\n", figure, median.c_str(), floor.c_str(), ratio.c_str());
    fflush(stdout);
}

std::string Format(const char* format, double value)
{
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

void PrintTimedRow(const char* figure, double seconds, double floorSeconds)
{
    PrintRow(figure, Format("%.3f s", seconds), Format("%.3f s", floorSeconds), Format("%.2f", seconds / floorSeconds));
}

int Fail(const char* what)
{
    fprintf(stderr, "vpbench: %s\n", what);
    return 2;
}

std::string WholeFile(const char* path)
{
    std::string content;
    ReadWholeFile(path, content);
    return content;
}

// Puts the Mondrel executable into the directory that a breadth-first walk lists last, so that
// both searches read the whole tree before they find it.
int Place(const char* root)
{
    std::string last;
    PlainFindFile(root, "", &last);
    std::string path = last + kTarget;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail("cannot create the executable in the last directory");
    CloseHandle(file);
    printf("%s\n", path.c_str());
    return 0;
}

int Search(const char* figure, const char* root)
{
    CString rootText(root), fileName(kTarget), found;
    std::string plainFound;
    auto nothing = [] {};
    auto times = MedianSecondsInTurn(kRepetitions, {nothing, [&] { FindFileInTree(rootText, fileName, found); }},
                                     {nothing, [&] { plainFound = PlainFindFile(root, kTarget); }});
    // Both must have found the same directory (the plain walk keeps a trailing backslash).
    if (found.IsEmpty() || plainFound != std::string(found.c_str()) + "\\")
        return Fail("the search and the plain walk disagree");
    PrintTimedRow(figure, times.first, times.second);
    return 0;
}

// In a process of its own, so that nothing else has raised the peak: one search, then the peak
// working set in KiB as the exit code (0 when it cannot be read).
int PeakOnce(const char* walker, const char* root)
{
    if (strcmp(walker, "search") == 0) {
        CString found;
        FindFileInTree(CString(root), CString(kTarget), found);
    } else {
        PlainFindFile(root, kTarget);
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<int>(counters.PeakWorkingSetSize / 1024);
}

DWORD RunAndWait(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    CProcessInformation process;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process.Receive()))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.Process(), INFINITE);
    DWORD exitCode = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.Process(), &exitCode);
    return exitCode;
}

double MedianPeakMegabytes(const char* walker, const char* root)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" peak-once " + walker + " " + root;
    RunAndWait(command);
    std::vector<double> peaks;
    for (int i = 0; i < kRepetitions; ++i)
        peaks.push_back(RunAndWait(command) / 1024.0);
    return Median(peaks);
}

int Peak(const char* figure, const char* root)
{
    double search = MedianPeakMegabytes("search", root);
    double floor = MedianPeakMegabytes("walk", root);
    if (search <= 0 || floor <= 0)
        return Fail("the peak working set cannot be read");
    PrintRow(figure, Format("%.1f MB", search), Format("%.1f MB", floor), Format("%.2f", search / floor));
    return 0;
}

// The configuring call and the way it rewrote the file before (a rewrite for each edit, from the
// tests' reference), each on a fresh copy of the original. Run where "vpsetup.ini" lies.
struct RewriteJobs {
    TimedJob call, callWords, sequence, floor;
};

RewriteJobs MakeRewriteJobs(const char* original, const char* config, const char* installationPath, bool& copied)
{
    std::string originalPath(original), configPath(config), path(installationPath);
    auto freshCopy = [originalPath, configPath] { CopyFileA(originalPath.c_str(), configPath.c_str(), FALSE); };
    auto call = [configPath, path] {
        CString configArgument(configPath.c_str()), pathArgument(path.c_str());
        EnsureBrellContainsVP(configArgument, pathArgument);
    };
    // The same code linked here, with the byte pass that processors without SSE2 take.
    auto callWords = [configPath, path] {
        CString configArgument(configPath.c_str()), pathArgument(path.c_str());
        const BytePass before = CurrentBytePass();
        UseBytePass(BytePass::Words);
        EnsureConfigFileContainsVP(kBrellVariant, configArgument, pathArgument);
        UseBytePass(before);
    };
    auto sequence = [configPath, path] {
        CString configArgument(configPath.c_str()), pathArgument(path.c_str());
        EnsureBySequenceOfRewrites(kBrellVariant, configArgument, pathArgument);
    };
    auto floor = [configPath, &copied] { copied = PlainRewrite(configPath.c_str()) && copied; };
    return {{freshCopy, call}, {freshCopy, callWords}, {freshCopy, sequence}, {freshCopy, floor}};
}

// Every way leaves the same file, brought up to date: a second call finds nothing to change.
bool SameFileEveryWay(const RewriteJobs& jobs, const char* original, const char* config, const char* installationPath)
{
    jobs.sequence.prepare();
    jobs.sequence.run();
    const std::string bySequence = WholeFile(config);
    jobs.callWords.prepare();
    jobs.callWords.run();
    const std::string byWords = WholeFile(config);
    jobs.call.prepare();
    jobs.call.run();
    const std::string edited = WholeFile(config);
    CString configPath(config), path(installationPath);
    EnsureBrellContainsVP(configPath, path);
    return edited == bySequence && edited == byWords && edited != WholeFile(original) && edited == WholeFile(config);
}

// The call (with each byte pass) against one plain rewrite of the file, and the way it was done
// before against the same.
int Rewrite(const char* figure, const char* wordsFigure, const char* sequenceFigure, const char* original,
            const char* config, const char* installationPath)
{
    bool copied = true;
    RewriteJobs jobs = MakeRewriteJobs(original, config, installationPath, copied);
    auto times = MedianSecondsInTurn(kRepetitions, jobs.call, jobs.floor);
    auto wordsTimes = MedianSecondsInTurn(kRepetitions, jobs.callWords, jobs.floor);
    auto sequenceTimes = MedianSecondsInTurn(kRepetitions, jobs.sequence, jobs.floor);
    if (!copied)
        return Fail("a plain rewrite failed");
    if (!SameFileEveryWay(jobs, original, config, installationPath))
        return Fail("the rewrite workload was not brought up to date alike every way");
    PrintTimedRow(figure, times.first, times.second);
    PrintTimedRow(wordsFigure, wordsTimes.first, wordsTimes.second);
    PrintTimedRow(sequenceFigure, sequenceTimes.first, sequenceTimes.second);
    return 0;
}

// One line of the picture's data: the file's line count, then the seconds of the way it was done
// before, of the call, of the floor and of the call with the 32-bit pass.
int Scaling(const char* original, const char* config, const char* installationPath)
{
    bool copied = true;
    RewriteJobs jobs = MakeRewriteJobs(original, config, installationPath, copied);
    auto times = MedianSecondsInTurn(kScalingRepetitions, jobs.call, jobs.floor);
    auto wordsTimes = MedianSecondsInTurn(kScalingRepetitions, jobs.callWords, jobs.floor);
    double sequence = MedianSeconds(kScalingRepetitions, jobs.sequence.prepare, jobs.sequence.run);
    if (!copied)
        return Fail("a plain rewrite failed");
    if (!SameFileEveryWay(jobs, original, config, installationPath))
        return Fail("the rewrite workload was not brought up to date alike every way");
    const std::string content = WholeFile(original);
    printf("%d %.6f %.6f %.6f %.6f\n", static_cast<int>(std::count(content.begin(), content.end(), '\n')), sequence,
           times.first, times.second, wordsTimes.first);
    fflush(stdout);
    return 0;
}

// A whole program run, its state put back by `prepare` (not timed) before every run.
int Program(const char* figure, const char* prepare, const char* measured)
{
    DWORD exitCode = 0;
    double seconds = MedianSeconds(kRepetitions, [&] { RunAndWait(prepare); }, [&] { exitCode = RunAndWait(measured); });
    if (exitCode == static_cast<DWORD>(-1))
        return Fail("the program cannot be started");
    PrintRow(figure, Format("%.3f s", seconds), "", "");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "place")
        return Place(argv[2]);
    if (args.size() == 3 && args[0] == "search")
        return Search(argv[2], argv[3]);
    if (args.size() == 3 && args[0] == "peak")
        return Peak(argv[2], argv[3]);
    if (args.size() == 3 && args[0] == "peak-once")
        return PeakOnce(argv[2], argv[3]);
    if (args.size() == 7 && args[0] == "rewrite")
        return Rewrite(argv[2], argv[3], argv[4], argv[5], argv[6], argv[7]);
    if (args.size() == 4 && args[0] == "scaling")
        return Scaling(argv[2], argv[3], argv[4]);
    if (args.size() == 4 && args[0] == "program")
        return Program(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: vpbench place ROOT\n"
                    "       vpbench search FIGURE ROOT | peak FIGURE ROOT\n"
                    "       vpbench rewrite FIGURE WORDS-FIGURE SEQUENCE-FIGURE ORIGINAL CONFIG INSTALLATION-PATH\n"
                    "       vpbench scaling ORIGINAL CONFIG INSTALLATION-PATH\n"
                    "       vpbench program FIGURE PREPARE-COMMAND MEASURED-COMMAND\n");
    return 2;
}
