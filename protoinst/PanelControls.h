// The Network control panel's windows as the helper knows them: the ids of their controls.
#pragma once

#include <windows.h>

namespace panel_controls {

const int kNoId = 0;
const int kStaticText = 0xFFFF; // the panel's labels share this id
const int kSheetTabs = 0x3020;
const int kSheetApply = 0x3021;
const int kAddProtocol = 2001; // "Add..." on the Protocols page
const int kHaveDisk = 2040;
const int kProtocolChoices = 7001;
const int kProtocolHint = 2004;
const int kContinue = 403; // OK of the disk prompt and of the OEM option dialog
const int kStop = 402;
const int kBrowse = 501;
const int kDiskPathField = 581;
const int kOptionChoices = 591;
const int kOptionHelp = 408;
const int kRestartLater = 10;

} // namespace panel_controls
