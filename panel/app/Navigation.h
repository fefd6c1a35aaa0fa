// Navigation, the top of the application: the three tasks of every tick
// (DispatchTouch, BuildPage and RefreshPage, declared in panel/Firmware.h)
// and page changes. It finds the current page's record in the page table,
// calls the page's routines and carries out what they return; what it does
// itself is what every page shares: the navigation targets, the frame, the
// buttons that act alike on every page, list pages, and the touches that a
// page's flags describe.
#pragma once

#include "panel/Types.h"

// Makes the page current and schedules its build; runs its entry action. A
// page number beyond the table shows the start page.
void GoToPage(u8 page);
// The current page's entry action.
void EnterPage();
// Acts on a touch that hit no button.
void HandleFreeTouch();
