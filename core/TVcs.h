// The add-in's version-control client, driven by the host: identifier, menu, verb table, verb
// state, dispatch of the chosen verb and the project binding read on every project change.
#pragma once

#include "ToolIntf.h"

#include <memory>
#include <string>

class TVssInterface;
class TVssNotify;

// The binding file's name, kept in the project file's folder.
inline constexpr const char kBindingFileName[] = "Delphi.Vss";

class TVcsManager : public TIVCSClient {
public:
    // Creates the connection (which opens the database or asks for a login), then creates the
    // notifier and registers it with the host. Raises when the connection cannot be made.
    explicit TVcsManager(TIToolServices* toolServices);

    std::string GetIDString() override;
    void ExecuteVerb(int index) override;
    std::string GetMenuName() override;
    std::string GetVerb(int index) override;
    int GetVerbCount() override;
    std::uint16_t GetVerbState(int index) override;
    void ProjectChange() override;

    // The first line of the binding file beside the host's project file; empty when there is
    // none or it cannot be read.
    std::string ReadProjectBinding();

    TVssInterface& vssInterface() const { return *VssInterface; }

protected:
    ~TVcsManager() override;

private:
    void RunVerbCommand(unsigned verb);

    std::unique_ptr<TVssInterface> VssInterface;
    TIToolServices* ToolServices;
    TVssNotify* Notifier = nullptr;
};
