// Directory mappings of the Mondrel server: "DirMap" documents in its web configuration
// database, each mapping a URL path (source) to a folder (target) with a type. These are the
// database calls; what they are asked to do is decided in MappingPlan.
#pragma once

#include "MappingPlan.h"
#include "pvapi411.h"

#include <vector>

// Every "DirMap" document's three values, in the order of the document collection. A document
// whose "Form" is not exactly "DirMap" is no mapping.
std::vector<DirMapping> ReadMappings(PVDatabase& database);
// Deletes every mapping document whose source is spelled exactly like `source`.
void DeleteMappingsFrom(PVDatabase& database, const CString& source);
// Deletes every mapping document that IsOwnMapping names; raises the client library's status on any
// error, what was deleted before it staying deleted.
void DeleteOwnMappings(PVDatabase& database, const std::vector<TemplateEntry>& entries);
// A new document with "Form", "RM_MapFrom", "RM_MapTo" and "RM_MapType", in this order.
void CreateMapping(PVDatabase& database, const TemplateEntry& entry);

// The template applied to the database: raises the client library's status on any error.
void ApplyMappingTemplate(PVDatabase& database, const std::vector<TemplateEntry>& entries);
