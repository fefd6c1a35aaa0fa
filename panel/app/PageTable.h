// The panel's pages by number: one record per page (Page.h), each defined in
// its family's file in pages/.
#pragma once

#include "panel/Types.h"
#include "panel/app/Page.h"

extern const PageRecord* const PageTable[kPageCount];

// The record of a page; a page number beyond the table gets an empty page
// (no title, no buttons, no targets, nothing drawn) named "unknown page".
const PageRecord& PageRecordAt(u8 page);
const PageDescriptor& PageAt(u8 page);
const PageView& PageViewAt(u8 page);

bool IsListPage(u8 page);
// Number of rows of the list on a list page (0 on other pages).
u8 ListRowCount(u8 page);
