#include "app/config_file.h"

#include "app/startup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kConfigFolderName = "burrik";

bool absoluteFolder(const char* value) { return value != nullptr && value[0] == '/'; }

}  // namespace

std::string userConfigPath(const char* xdgConfigHome, const char* home)
{
    std::filesystem::path base;
    if (absoluteFolder(xdgConfigHome)) {
        base = xdgConfigHome;
    } else if (absoluteFolder(home)) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return (base / kConfigFolderName / kConfigFile).string();
}

std::string chooseConfigFile(const std::string& userPath, const std::string& dataFolderPath)
{
    if (userPath.empty()) return dataFolderPath;
    std::error_code error;
    // A folder of that name opens as a stream but reads nothing: not the player's file.
    if (!std::filesystem::is_regular_file(userPath, error)) return dataFolderPath;
    std::ifstream probe(userPath);
    return probe ? userPath : dataFolderPath;
}

std::string gameModeConfigFile(const std::string& dataFolderPath)
{
    return chooseConfigFile(userConfigPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), dataFolderPath);
}
