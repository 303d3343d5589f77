#include "resources/database_step.h"

#include "config/variables.h"
#include "engine/engine_services.h"
#include "log/log.h"
#include "platform/platform.h"
#include "resources/database_build.h"
#include "resources/database_files.h"
#include "resources/record_processing.h"

void DatabaseStep(uintptr_t timerId) {
    if (timerId != 0) platform::StopSystemTimer(timerId);
    const int mode = VariableInt(RegistryHandle(REG_PROC_MDL));
    if (mode >= 2) {
        // Rebuild every map; once the files are marked the rebuild fails
        // silently and the earlier files are processed.
        BuildDatabase();
        ProcessDatabase();
    } else if (mode == 1) {
        char path[kKtsPathSize];
        // Only the model file decides between building and checking.
        if (!DatabasePath(path, sizeof(path), KTS_MODEL_FILE) || !platform::FileExists(path)) {
            LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Can't Open .kts Files. Creating new...");
            if (BuildDatabase()) {
                LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Files Successfuly Created.");
                ProcessDatabase();
            }
        } else {
            LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Opening .kts files successed. Checking Files...");
            bool unmarkable = false;
            if (CheckDatabaseFiles(&unmarkable)) {
                LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Files Loaded");
                ProcessDatabase();
            } else if (unmarkable) {
                // Files that cannot be checked are built again (the build
                // says why) instead of switching model processing off.
                if (BuildDatabase()) {
                    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Files Successfuly Created.");
                    ProcessDatabase();
                }
            } else {
                LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Failed Loading Files");
                IssueServerCommand("zeq_kestrin_proc_mdl 0");
            }
        }
    } else if (mode == 0) {
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Models Processing Disabled.");
    }
}
