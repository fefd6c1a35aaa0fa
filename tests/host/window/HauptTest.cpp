#include "host/Haupt.h"

#include <gtest/gtest.h>
