// Each module's part of the firmware reset: its file-local state back to the
// value it has when the program is loaded. Only ResetFirmwareState calls them.
#pragma once

void ResetDisplayListStatics();
void ResetTouchStageStatics();
void ResetDrawApiStatics();
void ResetRotationStatics();
void ResetContextStatics();
void ResetDrawStatics();
void ResetStartPageStatics();
void ResetMeasurementStatics();
void ResetYieldStatics();
void ResetSettingsPageStatics();
void ResetCheckPageStatics();
void ResetCommissioningStatics();
void ResetLcdStatics();
void ResetServicesStatics();
