#include "DatabaseOpener.h"

#include "PasswordDialog.h"
#include "UnitVssRegistry.h"

#include <registry/Registry.h>
#include <system/Paths.h>
#include <system/System.h>
#include <ui/Application.h>

namespace {

// The server's one refusal that another password can mend.
bool isWrongPassword(const EVssError& error) {
    return error.status() == com::E_ACCESSDENIED &&
           std::string_view(error.what()).starts_with("Wrong password");
}

std::string currentDatabaseFolder() {
    std::optional<reg::Value> value;
    try {
        value = reg::readValue(reg::Root::LocalMachine, kSourceSafeKey, "APICurrentDatabase");
    } catch (const std::exception& error) {
        throw OpenError(std::string("Cannot read the registry: ") + error.what());
    }
    if (!value || value->text.empty())
        throw OpenError("No current SourceSafe database is registered. Register one with "
                        "\"ss register --current\" or name it with --db DIR.");
    return value->text;
}

} // namespace

DatabaseOpener::DatabaseOpener(std::string databaseFolder, std::string user)
    : folder_(std::move(databaseFolder)), user_(std::move(user)) {
    if (user_.empty())
        user_ = sys::logonName();
}

std::string DatabaseOpener::iniPath() const {
    return sys::joinPath(folder_.empty() ? currentDatabaseFolder() : folder_, "srcsafe.ini");
}

VssDatabase DatabaseOpener::open() const {
    const std::string ini = iniPath();
    VssDatabase database;
    try {
        database = CoVSSDatabase::Create();
    } catch (const EVssError& error) {
        throw OpenError(std::string("The SourceSafe server cannot be started: ") + error.what());
    }
    std::string password;
    for (bool retry = false;; retry = true) {
        try {
            database.open(ini, user_, password);
            return database;
        } catch (const EVssError& error) {
            if (!isWrongPassword(error))
                throw OpenError("Cannot open the SourceSafe database " + ini + ": " + error.what());
            // The first refusal only means the user has a password: asking is not a retry.
            PasswordDialog dialog(user_, retry && !password.empty());
            if (dialog.showModal() != ui::mrOk)
                throw OpenError("No password was given for " + user_ + ".");
            password = dialog.password();
        }
    }
}
