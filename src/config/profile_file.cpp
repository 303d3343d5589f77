#include "config/profile_file.h"

#include "config/auto_config.h"
#include "engine/plugin_state.h"
#include "log/log.h"

void ReadConfigFiles() {
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Server reads configs files...");
    CFileHandle file;
    if (!bAutoConfigActive) {
        if (OpenConfigFile("kestrin.cfg", "Configuration file not found.", file, true)) ExecuteCommandFile(file);
        file.Close();
    }
    if (OpenConfigFile("kestrin.ini", "Configuration file not found.", file, true)) ParseProfileStream(file);
    file.Close();
    if (gameVersion == 3)
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Configs system disabled, due to your Counter-Strike Version!");
}
