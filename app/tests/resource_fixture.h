// A test fixture that opens one executable as a data file for its resources.
#ifndef PELVARO_APP_TESTS_RESOURCE_FIXTURE_H
#define PELVARO_APP_TESTS_RESOURCE_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "executables.h"

namespace pelvaro::test {

// The language of a resource that has none.
constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

class ExecutableResources : public ::testing::TestWithParam<Executable> {
protected:
    void SetUp() override {
        module_ = std::make_unique<DataFileModule>(GetParam().path);
        ASSERT_NE(module_->get(), nullptr)
            << "expected to load " << GetParam().path << " as a data file; LoadLibraryExW failed with error "
            << module_->error();
    }

    HMODULE module() const { return module_->get(); }

private:
    std::unique_ptr<DataFileModule> module_;
};

inline std::string ExecutableLabel(const ::testing::TestParamInfo<Executable>& info) {
    return info.param.label;
}

}  // namespace pelvaro::test

#endif
