#include "commands/console_commands.h"

#include "log/log.h"
#include "sdk/abi.h"

ZK_HOST_CALLED void InfoCommand() {}
ZK_HOST_CALLED void StrengtheningCommand() {}
ZK_HOST_CALLED void PremonitorCommand() {}
ZK_HOST_CALLED void BotsSupportCommand() {}

ZK_HOST_CALLED void StandaloneMetaNotice() {
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL,
               "You're launched standalone version of test. Metamod is not installed or not enabled!");
}
