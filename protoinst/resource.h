#pragma once
#define IDS_CAPTION 1
#define IDS_MESSAGE 2
