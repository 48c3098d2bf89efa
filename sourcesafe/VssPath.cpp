#include "VssPath.h"

std::string JoinVssPath(std::string_view project, std::string_view name) {
    std::string result(project);
    if (result.empty() || result.back() != '/')
        result += '/';
    result += name;
    return result;
}
