#include "ProjectGet.h"

#include "VssPath.h"

#include <system/Paths.h>

#include <filesystem>

std::vector<GetJob> ProjectGet::collect(const std::string& projectSpec) const {
    std::vector<GetJob> jobs;
    collectProject(Database.item(projectSpec, false), jobs);
    return jobs;
}

// One listing per project; the server decides each project's folder (its own or inherited).
void ProjectGet::collectProject(const VssItem& project, std::vector<GetJob>& jobs) const {
    const std::string spec = project.spec();
    const std::string folder = project.localSpec();
    std::vector<std::string> subprojects;
    for (const VssChildStatus& child : project.childStatus(false)) {
        if (child.type == vss::kTypeProject)
            subprojects.push_back(child.name);
        else
            jobs.push_back({JoinVssPath(spec, child.name),
                            folder.empty() ? std::string() : sys::joinPath(folder, child.name)});
    }
    for (const std::string& name : subprojects)
        collectProject(Database.item(JoinVssPath(spec, name), false), jobs);
}

GetOutcome ProjectGet::run(const std::vector<GetJob>& jobs, std::int32_t flags,
                           const std::function<bool(std::size_t)>& proceed) const {
    GetOutcome outcome;
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        if (!proceed(index)) {
            outcome.cancelled = true;
            break;
        }
        const GetJob& job = jobs[index];
        try {
            if (job.localPath.empty())
                throw EVssError("no working folder is set", com::E_FAIL);
            std::filesystem::create_directories(std::filesystem::path(job.localPath).parent_path());
            std::string local = job.localPath;
            Database.item(job.spec, false).get(local, flags);
            ++outcome.done;
        } catch (const std::exception& error) {
            outcome.failures.push_back(job.spec + ": " + error.what());
        }
    }
    return outcome;
}
