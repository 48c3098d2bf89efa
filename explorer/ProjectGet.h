// A recursive get of a project, one file at a time, so that a long run can report progress and
// stop between files. Every file is written by the server through a temporary name and a
// rename, so a file is either complete or not there.
#pragma once

#include "VssAutomation.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct GetJob {
    std::string spec;      // "$/A/B/x.pas"
    std::string localPath; // where it goes
};

struct GetOutcome {
    std::size_t done = 0;              // files got
    std::vector<std::string> failures; // "spec: reason"
    bool cancelled = false;
};

class ProjectGet {
public:
    explicit ProjectGet(VssDatabase database) : Database(std::move(database)) {}

    // Every file under the project, sub-projects included (deleted items are left out), each
    // going to its project's working folder. Raises when a project cannot be read.
    std::vector<GetJob> collect(const std::string& projectSpec) const;

    // Gets the jobs in order. Before each file `proceed(index)` is asked (index 0-based);
    // false stops the run there. A file that fails is recorded and the run goes on.
    GetOutcome run(const std::vector<GetJob>& jobs, std::int32_t flags,
                   const std::function<bool(std::size_t)>& proceed) const;

private:
    void collectProject(const VssItem& project, std::vector<GetJob>& jobs) const;

    VssDatabase Database;
};
