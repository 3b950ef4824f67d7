// Placeholder replaced below.
#include <gtest/gtest.h>
