// The walk of the Network control panel against a recorded world: every look for a window, every
// poll of "Have Disk", every command with its target, every pause with its length and every step
// of the bar, in order, whether the panel's windows come or not.
#include "ProtocolInstaller.h"
#include "RecordingWorld.h"

#include <catch.hpp>

namespace {

using Lines = std::vector<std::string>;

Lines operator+(Lines first, const Lines& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Lines Repeated(int times, const Lines& lines)
{
    Lines all;
    for (int i = 0; i < times; ++i)
        all = all + lines;
    return all;
}

// A window looked for every half second, up to its 41st look.
Lines Waited(const std::string& window, int looks)
{
    return Repeated(looks, {"pause 500", "look for " + window});
}

// "Have Disk" looked at every half second, up to 50 times.
Lines Polled(const std::string& window, int polls)
{
    return Repeated(polls, {"pause 500", "poll 2040 of " + window});
}

// The record, step by step; each step but the first ends with its step of the bar.
struct Walk {
    Lines open, protocolsPage, addProtocol, haveDisk, diskPath, option, closeSheet, restart;
    Lines All() const { return open + protocolsPage + addProtocol + haveDisk + diskPath + option + closeSheet + restart; }
};

// Every window found at the same look, "Have Disk" enabled at the given poll.
Walk Answered(int look, int poll)
{
    Walk walk;
    walk.open = {"start control panel", "pause 0"};
    walk.protocolsPage = Waited("sheet", look) + Lines{"post sheet PSM_SETCURSEL 2 0", "pause 500", "progress 15"};
    walk.addProtocol = {"post page of sheet WM_COMMAND 2001 0", "pause 500", "progress 15"};
    walk.haveDisk =
        Waited("list", look) + Polled("list", poll) + Lines{"post list WM_COMMAND 2040 0", "pause 1200", "progress 15"};
    walk.diskPath = Waited("disk prompt", look) + Lines{"text disk prompt 581: A:\\LLC2 \"disk one\"", "pause 500",
                                                        "post disk prompt WM_COMMAND 403 0", "pause 500", "progress 15"};
    walk.option = Waited("option", look) + Lines{"post option WM_COMMAND 403 0", "pause 500", "progress 15"};
    walk.closeSheet = {"post sheet WM_COMMAND 1 0", "pause 8000", "progress 15"};
    walk.restart = Waited("restart", look) + Lines{"post restart WM_COMMAND 7 0", "pause 500", "progress 10"};
    return walk;
}

// The missing windows: each is looked for 41 times, and what was meant for it goes to no window.
void NoSheet(Walk& walk)
{
    walk.protocolsPage = Waited("sheet", 41) + Lines{"post no window PSM_SETCURSEL 2 0", "pause 500", "progress 15"};
    walk.addProtocol = {"post no window WM_COMMAND 2001 0", "pause 500", "progress 15"};
    walk.closeSheet = {"post no window WM_COMMAND 1 0", "pause 8000", "progress 15"};
}

void NoList(Walk& walk)
{
    walk.haveDisk = Waited("list", 41) + Polled("no window", 50) +
                    Lines{"post no window WM_COMMAND 2040 0", "pause 1200", "progress 15"};
}

// The prompt takes no text, so nothing is confirmed and no time is given to it.
void NoDiskPrompt(Walk& walk)
{
    walk.diskPath = Waited("disk prompt", 41) + Lines{"text no window 581: A:\\LLC2 \"disk one\"", "progress 15"};
}

void NoOption(Walk& walk)
{
    walk.option = Waited("option", 41) + Lines{"post no window WM_COMMAND 403 0", "pause 500", "progress 15"};
}

void NoRestartQuestion(Walk& walk)
{
    walk.restart = Waited("restart", 41) + Lines{"post no window WM_COMMAND 7 0", "pause 500", "progress 10"};
}

const PanelWindow kWindows[] = {PanelWindow::NetworkSheet, PanelWindow::ProtocolList, PanelWindow::DiskPrompt,
                                PanelWindow::OemOption, PanelWindow::RestartQuestion};

struct Case {
    const char* name;
    void (*arrange)(CRecordingWorld& world);
    void (*expect)(Walk& walk);
};

const Case kCases[] = {
    {"every window at its first look: one look each, Have Disk pressed at the poll that finds it enabled",
     [](CRecordingWorld& world) { world.HaveDiskEnabledAt(3); }, [](Walk& walk) { walk = Answered(1, 3); }},
    {"every window at its 41st look, Have Disk enabled at the 50th poll: all still taken",
     [](CRecordingWorld& world) {
         for (PanelWindow kind : kWindows)
             world.Appears(kind, 41);
         world.HaveDiskEnabledAt(50);
     },
     [](Walk& walk) { walk = Answered(41, 50); }},
    {"Have Disk never enabled: polled 50 times, then pressed all the same",
     [](CRecordingWorld& world) { world.HaveDiskEnabledAt(CRecordingWorld::kNever); },
     [](Walk& walk) { walk.haveDisk = Answered(1, 50).haveDisk; }},
    {"no sheet: its page is not asked for, and its commands go to no window",
     [](CRecordingWorld& world) { world.Appears(PanelWindow::NetworkSheet, CRecordingWorld::kNever); }, NoSheet},
    {"the list opens only after its wait: Have Disk of no window is polled 50 times and pressed",
     [](CRecordingWorld& world) { world.Appears(PanelWindow::ProtocolList, 42); }, NoList},
    {"no disk prompt", [](CRecordingWorld& world) { world.Appears(PanelWindow::DiskPrompt, CRecordingWorld::kNever); },
     NoDiskPrompt},
    {"no OEM option dialog",
     [](CRecordingWorld& world) { world.Appears(PanelWindow::OemOption, CRecordingWorld::kNever); }, NoOption},
    {"no restart question",
     [](CRecordingWorld& world) { world.Appears(PanelWindow::RestartQuestion, CRecordingWorld::kNever); },
     NoRestartQuestion},
    {"no window at all",
     [](CRecordingWorld& world) {
         for (PanelWindow kind : kWindows)
             world.Appears(kind, CRecordingWorld::kNever);
     },
     [](Walk& walk) {
         NoSheet(walk);
         NoList(walk);
         NoDiskPrompt(walk);
         NoOption(walk);
         NoRestartQuestion(walk);
     }},
};

} // namespace

TEST_CASE("the walk: every look, poll, command and pause in order, and the bar filled to exactly 100")
{
    for (const Case& c : kCases) {
        SECTION(c.name)
        {
            CRecordingWorld world;
            c.arrange(world);
            Walk expected = Answered(1, 1);
            c.expect(expected);
            CHECK(CNt4ProtocolInstaller(world).Install(CString("A:\\LLC2 \"disk one\"")) == 0);
            CheckRecord(world.Record(), expected.All());
            CHECK(world.Progress() == 100);
        }
    }
}
