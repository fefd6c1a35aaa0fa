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
