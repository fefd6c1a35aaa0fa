#include "panel/app/Plant.h"

PlantValues Plant;
u16 CollectorCurve[kCollectorCurveLength];
u8 CollectorCurveCount;
