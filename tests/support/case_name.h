// Names parameterised cases after their pszName field.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
    template <class T>
    std::string operator()(const ::testing::TestParamInfo<T>& paramInfo) const
    {
        return paramInfo.param.pszName;
    }
};
