// Version normalisation and ordering, as tables. Output buffers carry a canary beyond their 33
// characters, so a test sees both "left untouched" and "nothing written past the end".
#include "loader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kCanary = '#';
constexpr int kGuardedSize = kVersionCapacity + 8;

struct Normalization {
    const char *text;
    const char *normalized; // nullptr: rejected
};

const Normalization kNormalizations[] = {
    {"1.0.0.0", "0001.0000.0000.0000"},
    {"10.20.300", "0010.0020.0300.0000"},
    {"1234.5678", "1234.5678.0000.0000"},
    {"2020.1.15.1", "2020.0001.0015.0001"},
    {"12345678", "0001.0002.0034.5678"},
    {"123456789", "0001.0023.0045.6789"},
    {"1234567890", "0012.0034.0056.7890"},
    {"1.2.3.4a", "0001.0002.0003.0004"},
    {"v1.2.3.4", "0000.0002.0003.0004"},
    {"99999.1.1.1", "99999.0001.0001.0001"},
    {"A.B.C.D", "0000.0000.0000.0000"},
    {" 1. 2.\t3.+4", "0001.0002.0003.0004"},
    {"1..3.00", "0001.0000.0003.0000"},
    {"-5.0.0.0", "-005.0000.0000.0000"},
    {"1.2.3.00000000000000000000000004", "0001.0002.0003.0004"}, // 32 characters
    {"1.0.0", nullptr},
    {"1.2", nullptr},
    {"1.2.34", nullptr},                // 6 characters
    {"1.2.345", "0001.0002.0345.0000"}, // 7 characters
    {"123456", nullptr},
    {"1234567", nullptr},
    {"12345678901", nullptr},
    {"1.2.3.4.5", nullptr},
    {"1.2.3.4.", nullptr},
    {"1.2.3.000000000000000000000000004", nullptr}, // 33 characters
    {"", nullptr},
    // Digit runs beyond 32 bits saturate at the limits, on every build.
    {"99999999999.0.0.0", "2147483647.0000.0000.0000"},
    {"-99999999999.0.0", "-2147483648.0000.0000.0000"},
    {"4294967297.0.0.0", "2147483647.0000.0000.0000"},
    {"99999999999999999999999.0", "2147483647.0000.0000.0000"},
    {"2147483647.0.0", "2147483647.0000.0000.0000"},
    {"2147483648.0.0", "2147483647.0000.0000.0000"},
    {"-2147483647.0.0", "-2147483647.0000.0000.0000"},
    {"-2147483648.0.0", "-2147483648.0000.0000.0000"},
    {"-2147483649.0.0", "-2147483648.0000.0000.0000"},
    {"-21474836470.0.0.0", "-2147483648.0000.0000.0000"},
    // A normalised version of exactly 32 characters fits the buffer; one of 33 does not.
    {"1234567890.1234567890.12345.1234", "1234567890.1234567890.12345.1234"},
    {"1234567890.1234567890.123456.12", "1234567890.1234567890.123456.0012"},
    // Normalised forms longer than 32 characters do not fit the buffer: rejected.
    {"1234567890.1234567890.1234567890", nullptr},
    {"1.1234567890.1234567890.12345678", "0001.1234567890.1234567890.12345678"},
};

TEST(NormalizeVersion, WorkedTable) {
    for (const Normalization &row : kNormalizations) {
        SCOPED_TRACE(std::string("text \"") + row.text + "\"");
        char buffer[kGuardedSize];
        memset(buffer, kCanary, sizeof(buffer));
        int result = NormalizeVersion(row.text, buffer);
        if (row.normalized == nullptr) {
            EXPECT_EQ(0, result);
            EXPECT_EQ(std::string(kGuardedSize, kCanary), std::string(buffer, kGuardedSize));
            continue;
        }
        size_t length = strlen(row.normalized);
        if (length >= kVersionCapacity) {
            // Wider than the caller's buffer: must be rejected, not written.
            EXPECT_EQ(0, result);
            EXPECT_EQ(std::string(kGuardedSize, kCanary), std::string(buffer, kGuardedSize));
            continue;
        }
        EXPECT_EQ(1, result);
        EXPECT_STREQ(row.normalized, buffer);
        EXPECT_EQ(std::string(kGuardedSize - length - 1, kCanary),
                  std::string(buffer + length + 1, kGuardedSize - length - 1));
    }
}

struct Ordering {
    const char *first;
    const char *second;
    int expected; // exact result
};

// Results are exact: a length difference, or the difference of the first differing characters.
const Ordering kOrderings[] = {
    {"2.0.0.0", "10.0.0.0", '0' - '1'},
    {"1.0.0.1", "1.0.0.0", '1' - '0'},
    {"1.2.3.4", "1.2.3.4", 0},
    {"1.2.3.4", "0001.0002.0003.0004", 0},
    {"1.10000.0.0", "2.0.0.0", 1},
    {"12345678", "1.2.34.5678", 0},
    {"", "1.0.0.0", -19},
    {"1.0.0.0", "", 19},
    {"1.0", "garbage text", 0},
    {"1.0", "1.0.0.0", -19},
    {"1.2.3.4.5", "0.0.0.0", -19},
    {"2147483648.0.0.0", "2147483647.0.0.0", 0},
    {"-2147483648.0.0.0", "-2147483647.0.0.0", '8' - '7'},
    {"-2147483648.0.0.0", "-2147483649.0.0.0", 0},
    {"1.2.345", "1.2.34", 19},
    {"1234567890.1234567890.123456.12", "1234567890.1234567890.12345.1234", 1},
    // Held whole: a normalised version over 32 characters still orders after shorter ones.
    {"1234567890.1234567890.1234567890", "9999.9999.9999.9999", 18},
    {"1234567890.1234567890.1234567890", "1234567890.1234567890.1234567890", 0},
    {"1234567890.1234567890.1234567890", "1234567890.1234567890.1234567891", '0' - '1'},
};

TEST(CompareVersions, OrderingTable) {
    for (const Ordering &row : kOrderings) {
        SCOPED_TRACE(std::string(row.first) + " against " + row.second);
        EXPECT_EQ(row.expected, CompareVersions(row.first, row.second));
        EXPECT_EQ(-row.expected, CompareVersions(row.second, row.first));
    }
}

// For fields 0..9999 the order is the numeric order of the four fields.
TEST(CompareVersions, NumericOrderOfOrdinaryFields) {
    const int values[] = {0, 1, 9, 10, 99, 100, 999, 1000, 9999};
    for (int a : values) {
        for (int b : values) {
            std::string left = "1." + std::to_string(a) + ".0.7";
            std::string right = "1." + std::to_string(b) + ".0.7";
            int result = CompareVersions(left.c_str(), right.c_str());
            SCOPED_TRACE(left + " against " + right);
            EXPECT_EQ(a < b, result < 0);
            EXPECT_EQ(a == b, result == 0);
            EXPECT_EQ(a > b, result > 0);
        }
    }
}

} // namespace
