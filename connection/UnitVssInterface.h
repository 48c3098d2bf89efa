// The one object that owns the connection to the SourceSafe database for the add-in's life:
// the binding of the open project, the verb-state answers and the verb commands.
#pragma once

#include "UnitVssRegistry.h"
#include "VssAutomation.h"

#include <cstdint>
#include <string>

class TVssInterface {
public:
    // Creates the database object, opens the default database or shows the login dialog, and
    // loads the settings. Raises when the database object cannot be created.
    TVssInterface();
    ~TVssInterface();
    TVssInterface(const TVssInterface&) = delete;
    TVssInterface& operator=(const TVssInterface&) = delete;

    bool IsProjectBound() const { return ProjectBound; }
    bool IsLoggedIn() const { return LoggedIn; }
    bool IsFileUnderControl(const std::string& fileName);

    std::uint16_t CanWorkOnProject();
    std::uint16_t CanAddToControl();
    std::uint16_t CanWorkOnFile(const std::string& fileName);
    std::uint16_t CanRunExplorer();

    void ChangeProject(const std::string& newBinding);

    // Verb commands (UnitVssCommands.cpp).
    void ShowGetLatest(const std::string& fileName);
    void ShowCheckOut(const std::string& fileName);
    void ShowCheckIn(const std::string& fileName);
    void ShowUndoCheckOut(const std::string& fileName);
    // Binds the project first while it is unbound, then offers the files to add.
    void ShowAddToControl(const std::string& fileName, const std::string& projectFile);
    void ShowRemoveFromControl(const std::string& fileName);
    void ShowShareFromSS();
    void RunExplorer();
    // History, differences, options and about (UnitVssDatabaseCommands.cpp).
    void ShowHistory(const std::string& fileName);
    void ShowDifferences(const std::string& fileName);
    void ShowOptions();
    void ShowAbout(int hostVersion);

    const TVSSProperties& properties() const { return Properties; }
    const std::string& projectBinding() const { return ProjectBinding; }
    const VssDatabase& database() const { return Database; }

private:
    void OfferCheckIn();
    void OfferGetLatest(const VssItem& project);

    TVSSProperties Properties;
    VssDatabase Database;
    std::string ProjectBinding;
    bool ProjectBound = false;
    bool LoggedIn = false;
};
