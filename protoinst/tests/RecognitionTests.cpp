// The panel's windows are told apart by the control ids they contain, whatever their titles: the
// system's world looks over real top-level windows made here, as it looks over the panel's.
#include "SystemWorld.h"

#include <catch.hpp>

#include <memory>
#include <vector>

namespace {

struct Kind {
    PanelWindow kind;
    const char* title; // the panel's own
    std::vector<int> ids;
};

const Kind kKinds[] = {
    {PanelWindow::NetworkSheet, "Network", {1, 2, 9, 0x3020, 0x3021}},
    {PanelWindow::ProtocolList, "Select Network Protocol", {1, 2, 2040, 7001, 2004}},
    {PanelWindow::DiskPrompt, "Insert Disk", {403, 402, 501, 0xFFFF, 581}},
    {PanelWindow::OemOption, "Select OEM Option", {403, 402, 0xFFFF, 591, 408}},
    {PanelWindow::RestartQuestion, "Network Settings Change", {6, 7, 10, 0xFFFF}},
};

// A hidden top-level window with a child for each id.
class CTestWindow {
public:
    CTestWindow(const char* title, const std::vector<int>& ids)
        : m_window(CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr))
    {
        for (int id : ids)
            CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, m_window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    ~CTestWindow() { DestroyWindow(m_window); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Handle() const { return m_window; }

private:
    HWND m_window;
};

void BringToTop(HWND window)
{
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

TEST_CASE("a panel window is recognised by all of its ids whatever its title, and by no other kind's")
{
    CSystemWorld world(nullptr);
    SECTION("all five at once, titled otherwise: each found as its own kind")
    {
        std::vector<std::unique_ptr<CTestWindow>> windows;
        for (const Kind& k : kKinds)
            windows.emplace_back(new CTestWindow("Untitled", k.ids));
        for (size_t i = 0; i < windows.size(); ++i) {
            INFO(kKinds[i].title);
            CHECK(world.FindPanelWindow(kKinds[i].kind) == windows[i]->Handle());
        }
    }
    for (const Kind& k : kKinds) {
        for (size_t missing = 0; missing < k.ids.size(); ++missing) {
            SECTION(std::string(k.title) + ", with its title but without id " + std::to_string(k.ids[missing]))
            {
                std::vector<int> ids = k.ids;
                ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(missing));
                CTestWindow window(k.title, ids);
                CHECK(world.FindPanelWindow(k.kind) == nullptr);
            }
        }
    }
}

TEST_CASE("of two windows that pass, the first in the screen's order is taken")
{
    CSystemWorld world(nullptr);
    CTestWindow first("Select Network Protocol", kKinds[1].ids);
    CTestWindow second("Select Network Protocol", kKinds[1].ids);
    BringToTop(first.Handle());
    CHECK(world.FindPanelWindow(PanelWindow::ProtocolList) == first.Handle());
    BringToTop(second.Handle());
    CHECK(world.FindPanelWindow(PanelWindow::ProtocolList) == second.Handle());
}
