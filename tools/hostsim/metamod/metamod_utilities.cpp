// Metamod's utility functions (mutil_funcs_t): the log functions the plugin
// calls, and every other one failing loudly.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "engine/engine_table.h"
#include "engine/engine_text.h"
#include "metamod/metamod_sim.h"

namespace hostsim {

namespace {

#define HOSTSIM_MUTIL_SLOTS(X)                                                                                \
    X(pfnLogConsole) X(pfnLogMessage) X(pfnLogError) X(pfnLogDeveloper) X(pfnCenterSay) X(pfnCenterSayParms) \
    X(pfnCenterSayVarargs) X(pfnCallGameEntity) X(pfnGetUserMsgID) X(pfnGetUserMsgName) X(pfnGetPluginPath) \
    X(pfnGetGameInfo) X(pfnLoadPlugin) X(pfnUnloadPlugin) X(pfnUnloadPluginByHandle)                        \
    X(pfnIsQueryingClientCvar) X(pfnMakeRequestID) X(pfnGetHookTables)

#define HOSTSIM_NAME(name) #name,
#define HOSTSIM_INDEX(name) ZK_FUNC_INDEX(mutil_funcs_t, name),
constexpr const char *kUtilNames[] = {HOSTSIM_MUTIL_SLOTS(HOSTSIM_NAME)};
constexpr std::size_t kUtilIndices[] = {HOSTSIM_MUTIL_SLOTS(HOSTSIM_INDEX)};
#undef HOSTSIM_NAME
#undef HOSTSIM_INDEX

constexpr bool UtilListInOrder() {
    if (sizeof kUtilIndices / sizeof kUtilIndices[0] != sizeof(mutil_funcs_t) / sizeof(void *)) return false;
    for (std::size_t i = 0; i < sizeof kUtilIndices / sizeof kUtilIndices[0]; ++i)
        if (kUtilIndices[i] != i) return false;
    return true;
}
static_assert(UtilListInOrder(), "HOSTSIM_MUTIL_SLOTS lists every slot in order");

[[noreturn]] void UnexpectedUtilCall(std::size_t index) { UnexpectedCall("Metamod", kUtilNames[index]); }

template <std::size_t N, typename F>
struct UnexpectedUtil;

template <std::size_t N, typename R, typename... A>
struct UnexpectedUtil<N, R (*)(A...)> {
    static R call(A...) { UnexpectedUtilCall(N); }
};

template <std::size_t N, typename R, typename... A>
struct UnexpectedUtil<N, R (*)(A..., ...)> {
    static R call(A..., ...) { UnexpectedUtilCall(N); }
};

// va_list carries attributes that a template argument would drop.
[[noreturn]] void UnexpectedCenterSayVarargs(plid_t, hudtextparms_t, const char *, va_list) {
    UnexpectedUtilCall(ZK_FUNC_INDEX(mutil_funcs_t, pfnCenterSayVarargs));
}

std::string FormatLogText(const char *format, va_list args) {
    char text[1024];  // Metamod's own limit for a log message
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    return text;
}

}  // namespace

#define UTIL_UNEXPECTED(name) \
    &UnexpectedUtil<ZK_FUNC_INDEX(mutil_funcs_t, name), decltype(mutil_funcs_t::name)>::call

mutil_funcs_t MetamodSim::UtilityTable() {
    return mutil_funcs_t{
        &MetamodSim::LogConsole,
        &MetamodSim::LogMessage,
        &MetamodSim::LogError,
        UTIL_UNEXPECTED(pfnLogDeveloper),
        UTIL_UNEXPECTED(pfnCenterSay),
        UTIL_UNEXPECTED(pfnCenterSayParms),
        &UnexpectedCenterSayVarargs,
        UTIL_UNEXPECTED(pfnCallGameEntity),
        UTIL_UNEXPECTED(pfnGetUserMsgID),
        UTIL_UNEXPECTED(pfnGetUserMsgName),
        UTIL_UNEXPECTED(pfnGetPluginPath),
        UTIL_UNEXPECTED(pfnGetGameInfo),
        UTIL_UNEXPECTED(pfnLoadPlugin),
        UTIL_UNEXPECTED(pfnUnloadPlugin),
        UTIL_UNEXPECTED(pfnUnloadPluginByHandle),
        UTIL_UNEXPECTED(pfnIsQueryingClientCvar),
        UTIL_UNEXPECTED(pfnMakeRequestID),
        UTIL_UNEXPECTED(pfnGetHookTables),
    };
}

#undef UTIL_UNEXPECTED

namespace {
void CheckPlid(MetamodSim &mm, plid_t plid, const char *slot) {
    if (plid != mm.pluginInfo())
        EngineError("%s called with a plid that is not the plugin_info_t from Meta_Query", slot);
}

const char *LogTag(plid_t plid) { return plid->logtag ? plid->logtag : "(null)"; }
}  // namespace

void MetamodSim::Log(plid_t plid, const char *slot, const char *prefix, const char *format, va_list args) {
    MetamodSim &mm = Mm();
    CheckPlid(mm, plid, slot);
    const std::string text = FormatLogText(format, args);
    mm.engine_.record((std::string("mutil.") + slot).c_str(), QuoteArg(text.c_str()));
    if (prefix == nullptr)
        mm.engine_.print((text + "\n").c_str());
    else
        mm.engine_.printf("[%s] %s%s\n", LogTag(plid), prefix, text.c_str());
}

void MetamodSim::LogConsole(plid_t plid, const char *format, ...) {
    va_list args;
    va_start(args, format);
    Log(plid, "pfnLogConsole", nullptr, format, args);
    va_end(args);
}

void MetamodSim::LogMessage(plid_t plid, const char *format, ...) {
    va_list args;
    va_start(args, format);
    Log(plid, "pfnLogMessage", "", format, args);
    va_end(args);
}

void MetamodSim::LogError(plid_t plid, const char *format, ...) {
    va_list args;
    va_start(args, format);
    Log(plid, "pfnLogError", "ERROR: ", format, args);
    va_end(args);
}

}  // namespace hostsim
