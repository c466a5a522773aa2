#include <gtest/gtest.h>

#include "TestMachines.h"

namespace {

class SampleMachines : public ::testing::TestWithParam<TestMachine> {};

// Each sample is in the canonical form of our exporter: import then export
// gives the file back byte for byte, in every platform mode (its keys are
// in NT's order, which appending keeps too).
TEST_P(SampleMachines, RoundTripByteIdentically) {
    const TestMachine& m = GetParam();
    const std::string text = FileText(m.file);
    ASSERT_FALSE(text.empty()) << m.file;
    for (sim::Platform p : {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::Win2000}) {
        SCOPED_TRACE(sim::PlatformName(p));
        sim::Reset();
        sim::SetPlatform(p);
        const sim::RegImportResult r = sim::ImportReg(text);
        ASSERT_TRUE(r.ok) << m.file << ":" << r.line << ": " << r.error;
        EXPECT_EQ(sim::ExportReg(r.format), text);
    }
}

std::vector<TestMachine> Samples() {
    std::vector<TestMachine> out;
    for (auto& m : AllTestMachines())
        if (!m.file.empty()) out.push_back(m);
    return out;
}

INSTANTIATE_TEST_SUITE_P(Examples, SampleMachines, ::testing::ValuesIn(Samples()), TestMachineName);

}  // namespace
