// Arrays that start as zeros: what counts as written and is zeroed again, and, under the address
// sanitizer, a write past the end of one made at start-up, in the layout of the build that ships.
#include <gtest/gtest.h>

#include <vector>

#include "utility/zero_array.hpp"

namespace {

// Made at start-up, as the arrays of the process-wide state are: in the shared reservation, one
// after the other, where a write one past the first lands in the second.
ZeroArray<char> gStartupBytes{13};
ZeroArray<double> gStartupValues{8};

TEST(ZeroArrayTest, AClearZeroesWhatFillAndWriteWrote) {
  ZeroArray<double> a(8);
  a.fill(2, 3, 1.5);
  a.write(6, std::vector<double>{4.0, 5.0});
  const ZeroArray<double>& seen = a;
  EXPECT_EQ(std::vector<double>(seen.begin(), seen.end()), (std::vector<double>{0, 0, 1.5, 1.5, 1.5, 0, 4, 5}));
  a.clear();
  EXPECT_TRUE(a == ZeroArray<double>(8));
  a.write(1, std::vector<double>{7.0});
  a.clear();
  EXPECT_TRUE(a == ZeroArray<double>(8)) << "a write alone";
}

TEST(ZeroArrayTest, AWritePastTheEndIsReportedUnderTheAddressSanitizer) {
  if (!zerostorage::kGapsPoisoned) GTEST_SKIP() << "built without the address sanitizer";
  // An array of bytes whose end is not on a word boundary, and one whose end is.
  EXPECT_DEATH(gStartupBytes[13] = 1, "AddressSanitizer");
  EXPECT_DEATH(gStartupValues[8] = 1.0, "AddressSanitizer");
  EXPECT_DEATH(gStartupBytes.fill(10, 4, 'x'), "AddressSanitizer");
}

}  // namespace
