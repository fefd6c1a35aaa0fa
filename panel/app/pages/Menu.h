// The main menu: five rows, one per section.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord MenuPage;
