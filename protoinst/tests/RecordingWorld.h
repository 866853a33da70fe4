// The helper's world played by a test, as Wine's message tests play a window: nothing waits and
// nothing is sent anywhere; every call is written down, a line each, with windows by name, and
// the case compares that record with the sequence it expects.
#pragma once

#include "HelperWorld.h"

#include <string>
#include <vector>

class CRecordingWorld final : public CHelperWorld {
public:
    static const int kNever = 0;

    // The look (1 for the first) at which a window of this kind is found, from then on; by
    // default every window comes at the first look.
    void Appears(PanelWindow kind, int look) { m_appearsAt[static_cast<int>(kind)] = look; }
    // The poll (1 for the first, the default) from which the protocol list's "Have Disk" is enabled.
    void HaveDiskEnabledAt(int poll) { m_enabledAt = poll; }

    const std::vector<std::string>& Record() const { return m_record; }
    // The bar's increments added up.
    int Progress() const { return m_progress; }

    void StartControlPanel() override;
    HWND FindPanelWindow(PanelWindow kind) override;
    HWND CurrentPage(HWND sheet) override;
    bool IsControlEnabled(HWND window, int controlId) override;
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool SendText(HWND window, int controlId, const char* text) override;
    void Pause(DWORD ms) override;
    void AdvanceProgress(int increment) override;
    void Beep() override;

private:
    void Write(const std::string& line) { m_record.push_back(line); }

    static const int kKinds = 6; // None and the five windows
    int m_appearsAt[kKinds] = {kNever, 1, 1, 1, 1, 1};
    int m_looks[kKinds] = {};
    int m_enabledAt = 1;
    int m_polls = 0;
    std::vector<std::string> m_record;
    int m_progress = 0;
};

// Checks the record against the expected lines, reporting the first difference.
void CheckRecord(const std::vector<std::string>& record, const std::vector<std::string>& expected);
