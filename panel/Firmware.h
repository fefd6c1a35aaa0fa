// The firmware entry points that the host calls, in the order of its start
// sequence and of its tick.
#pragma once

void DlInit();
void RegisterGraphics();
void LoadSettingsDefaults();
void InitAppState();
void DispatchTouch();
void BuildPage();
void RefreshPage();
void DisplayListRun();

// Every piece of the firmware's static state back to the value it has when the
// program is loaded, as before a first start. The window starts the firmware
// once per process; tests and tools that start it again call this first.
void ResetFirmwareState();
