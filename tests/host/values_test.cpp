#include <gtest/gtest.h>

#include "host/error.h"
#include "host/numeric.h"
#include "host/variant.h"

TEST(Placeholder, Builds) { EXPECT_EQ(host::toLong(2.5), 2); }
