#include <gtest/gtest.h>

#include "receiver_rig.h"
