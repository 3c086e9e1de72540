// The loader allocates nothing: every text lives in a fixed buffer of the run. Each of the four
// ends is run with the allocation counter on, and the install where the loader reads autorun.inf
// itself, takes its short path, or runs the package in place after a policy refused its copy.
#include "counting_allocator.h"
#include "medium.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

long AllocationsOfOneRun() {
    StartCountingAllocations();
    WinMain(nullptr, nullptr, const_cast<char *>(""), SW_SHOWDEFAULT);
    long count = StopCountingAllocations();
    winsim::EndProcess();
    return count;
}

TEST(NoDynamicMemory, FourEnds) {
    const struct {
        const char *end;
        void (*setUp)();
    } ends[] = {
        {"another loader runs", [] { winsim::HoldMutexElsewhere(medium::kGuard); }},
        {"descriptor incomplete", [] { winsim::RemoveFile("C:\\Medium\\autorun.inf"); }},
        {"up to date", [] { winsim::SetTextValue(medium::kKey, "Version", "2.1.0.5"); }},
        {"installed", [] {}},
        {"installed, the profile functions reading nothing", [] { medium::Harden(); }},
        {"installed, the folder's name out of the code page",
         [] {
             const std::u16string path = u"C:\\\u0e17\\loader.exe";
             winsim::SetUnicodeModulePath(path);
             winsim::SetShortPath(path, u"C:\\Medium\\loader.exe");
         }},
        {"installed, the folder's name best-fitted",
         [] {
             const std::u16string path = u"C:\\\u0141\\loader.exe";
             winsim::SetUnicodeModulePath(path);
             winsim::SetShortPath(path, u"C:\\Medium\\loader.exe");
         }},
        {"installed, the staged copy refused by policy",
         [] { winsim::RefuseProgramsUnder("C:\\Temp"); }},
    };
    for (const auto &row : ends) {
        medium::LayOut();
        row.setUp();
        long count = AllocationsOfOneRun();
        // The benchmark reads these lines.
        printf("allocations during the run, %s: %ld\n", row.end, count);
        EXPECT_EQ(0, count) << row.end;
    }
    // The counter itself works: an allocation outside a simulated call is counted.
    StartCountingAllocations();
    void *volatile block = malloc(16);
    free(block);
    EXPECT_EQ(1, StopCountingAllocations());
}

} // namespace
