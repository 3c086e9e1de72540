// Ordering properties over generated valid versions, in the forms a publisher may write them.
#include "loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

using Fields = std::array<int, 4>;

struct Generated {
    Fields fields;
    std::string text;
};

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value);
    return std::string(width > static_cast<int>(digits.size()) ? width - digits.size() : 0, '0') +
           digits;
}

// A text for the fields: dotted with trailing zero fields left out, dotted with leading zeros
// and blanks, or the form without full stops when the fields allow it.
std::string Write(const Fields &f, std::mt19937 &random) {
    switch (random() % 4) {
    case 0: {
        int count = 4;
        while (count > 2 && f[count - 1] == 0) {
            --count;
        }
        std::string text = std::to_string(f[0]);
        for (int i = 1; i < count; ++i) {
            text += "." + std::to_string(f[i]);
        }
        return text;
    }
    case 1:
        return " " + Padded(f[0], 2) + ". " + std::to_string(f[1]) + "." + Padded(f[2], 3) + "." +
               std::to_string(f[3]);
    case 2:
        if (f[0] < 100 && f[1] < 100 && f[2] < 100 && (f[0] >= 1 || f[1] >= 10)) {
            // 8 to 10 characters: field 1 takes what is left at the front.
            return std::to_string(f[0]) + Padded(f[1], f[0] >= 10 || f[1] >= 10 ? 2 : 1) +
                   Padded(f[2], 2) + Padded(f[3], 4);
        }
        [[fallthrough]];
    default:
        return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) +
               "." + std::to_string(f[3]);
    }
}

std::vector<Generated> GenerateVersions(size_t count) {
    std::mt19937 random(20261208);
    const int picks[] = {0, 1, 2, 9, 10, 11, 99, 100, 999, 1000, 9998, 9999};
    std::vector<Generated> versions;
    while (versions.size() < count) {
        Fields fields;
        for (int &field : fields) {
            field = random() % 3 == 0 ? static_cast<int>(random() % 10000)
                                      : picks[random() % (sizeof(picks) / sizeof(picks[0]))];
        }
        std::string text = Write(fields, random);
        if (text.size() >= 7 && text.size() <= 32) {
            versions.push_back({fields, text});
        }
    }
    return versions;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(VersionProperties, OrderIsTheNumericOrderOfTheFourFields) {
    std::vector<Generated> versions = GenerateVersions(300);
    for (const Generated &a : versions) {
        ASSERT_EQ(0, CompareVersions(a.text.c_str(), a.text.c_str())) << a.text;
        for (const Generated &b : versions) {
            int forward = CompareVersions(a.text.c_str(), b.text.c_str());
            int expected = a.fields < b.fields ? -1 : (b.fields < a.fields ? 1 : 0);
            ASSERT_EQ(expected, Sign(forward)) << a.text << " against " << b.text;
            ASSERT_EQ(-Sign(forward), Sign(CompareVersions(b.text.c_str(), a.text.c_str())));
        }
    }
}

TEST(VersionProperties, OrderIsTransitive) {
    std::vector<Generated> versions = GenerateVersions(80);
    // Include versions beyond four digits, whose order is by normalised length first.
    versions.push_back({{10000, 0, 0, 0}, "10000.0.0.0"});
    versions.push_back({{1, 123456, 0, 0}, "1.123456.0.0"});
    versions.push_back({{0, 0, 0, 0}, "0.0.0.0.0"}); // rejected
    for (const Generated &a : versions) {
        for (const Generated &b : versions) {
            if (CompareVersions(a.text.c_str(), b.text.c_str()) > 0) {
                continue;
            }
            for (const Generated &c : versions) {
                if (CompareVersions(b.text.c_str(), c.text.c_str()) <= 0) {
                    ASSERT_LE(CompareVersions(a.text.c_str(), c.text.c_str()), 0)
                        << a.text << " <= " << b.text << " <= " << c.text;
                }
            }
        }
    }
}

TEST(VersionProperties, UnnormalisableTextsOrderBeforeEveryValidOne) {
    const std::string rejected[] = {"",
                                    "1.0",
                                    "1.2.3",
                                    "1234567",
                                    "12345678901",
                                    "1.2.3.4.5",
                                    "1.2.3.4.",
                                    std::string(33, '1')};
    std::vector<Generated> versions = GenerateVersions(100);
    for (const std::string &text : rejected) {
        for (const std::string &other : rejected) {
            EXPECT_EQ(0, CompareVersions(text.c_str(), other.c_str()))
                << text << " against " << other;
        }
        for (const Generated &valid : versions) {
            EXPECT_LT(CompareVersions(text.c_str(), valid.text.c_str()), 0) << text;
            EXPECT_GT(CompareVersions(valid.text.c_str(), text.c_str()), 0) << text;
        }
    }
}

} // namespace
