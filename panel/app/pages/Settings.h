// The settings pages: warm water set value, load strategy, time, date,
// language and shortcut key, with the lists that choose among their values.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord WarmWaterPage;
extern const PageRecord LoadStrategyPage;
extern const PageRecord LoadStrategyListPage;
extern const PageRecord TimePage;
extern const PageRecord DatePage;
extern const PageRecord LanguagePage;
extern const PageRecord LanguageListPage;
extern const PageRecord ShortcutPage;
extern const PageRecord ShortcutListPage;
