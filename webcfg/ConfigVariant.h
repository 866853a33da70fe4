// What tells the four file-editing operations apart: the section of "vpsetup.ini", how paths are
// written, the two directive keywords and how a new directive line is made.
#pragma once

#include "DirectiveScan.h"
#include "TemplateSection.h"

enum class DirectiveLineForm {
    SpacedFields, // name, two spaces, URL pattern, two spaces, target path
    Joined        // name, URL pattern and target path with nothing between them
};

struct ConfigFileVariant {
    const char* sectionName;
    SeparatorForm separator;
    DirectiveKeyword keywords[2];
    DirectiveLineForm lineForm;
    // The Netscape lines carry their own syntax inside the template fields and never match a
    // scanned directive, so a line that already stands in the file counts as present.
    bool presentWhenLineStands;
};

extern const ConfigFileVariant kBrellVariant;
extern const ConfigFileVariant kSkylaneVariant;
extern const ConfigFileVariant kCorvaneHttpdVariant;
extern const ConfigFileVariant kNetscapeVariant;

CString MakeDirectiveLine(const ConfigFileVariant& variant, const TemplateEntry& entry);
