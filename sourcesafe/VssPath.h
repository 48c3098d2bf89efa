// SourceSafe paths ("$/Proj/Src"): always "/"-separated and rooted at "$". Every path made of a
// project and a name is joined here, so a project bound to the root gives "$/Name".
#pragma once

#include <string>
#include <string_view>

// project + "/" + name, with exactly one "/" between them: "$/" and "x" give "$/x",
// "$/Proj" and "x" give "$/Proj/x".
std::string JoinVssPath(std::string_view project, std::string_view name);
