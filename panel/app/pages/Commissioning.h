// The commissioning pages: the entry on the check pages, the question, the
// run with its steps, and the message when it cannot start.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord CommissioningEntryPage;
extern const PageRecord CommissioningQuestionPage;
extern const PageRecord CommissioningRunPage;
extern const PageRecord CommissioningNotPossiblePage;
