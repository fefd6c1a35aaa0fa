#include "panel/Firmware.h"

void InitAppState() {}
void DispatchTouch() {}
void BuildPage() {}
void RefreshPage() {}
