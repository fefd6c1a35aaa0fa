// The start page: the plant schematic, or the fault view while a fault is set.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord StartPage;
