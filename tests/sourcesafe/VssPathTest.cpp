#include "VssPath.h"

#include <gtest/gtest.h>

namespace {

TEST(VssPath, JoinPutsExactlyOneSeparatorBetweenProjectAndName) {
    struct Case {
        const char* project;
        const char* name;
        const char* joined;
    };
    for (const Case& c :
         {Case{"$/", "Name", "$/Name"}, Case{"$", "Name", "$/Name"},
          Case{"$/Proj", "A.pas", "$/Proj/A.pas"}, Case{"$/Proj/Src/", "A.pas", "$/Proj/Src/A.pas"},
          Case{"$/Proj", "", "$/Proj/"}})
        EXPECT_EQ(JoinVssPath(c.project, c.name), c.joined) << c.project << " + " << c.name;
}

} // namespace
