#include "host/PanelHost.h"

#include <gtest/gtest.h>
