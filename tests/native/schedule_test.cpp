// The show schedule on a fake clock with the system's real zone rules.
#include "schedule/schedule.h"

#include <gtest/gtest.h>
