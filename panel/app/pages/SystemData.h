// The system-data pages behind the access code: the code itself and its
// message, the supplementary function with its list, and the maximum
// temperatures of the tanks and of the heating circuits.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord AccessCodePage;
extern const PageRecord WrongAccessCodePage;
extern const PageRecord SupplementaryPage;
extern const PageRecord SupplementaryListPage;
extern const PageRecord MaxTankPage;
extern const PageRecord MaxTank2Page;
extern const PageRecord MaxSupplyPage;
