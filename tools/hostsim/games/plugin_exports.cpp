// The plugin's entry points, looked up by name in its library.
#include "games/game_dll.h"
#include "os/host_os.h"

namespace hostsim {

namespace {

template <typename T>
T Symbol(void *library, const char *name) {
    return reinterpret_cast<T>(hostos::FindSymbol(library, name));
}

}  // namespace

PluginExports LookupExports(void *library) {
    PluginExports exports;
    exports.giveFnptrsToDll = Symbol<GIVEFNPTRSTODLL_FN>(library, "GiveFnptrsToDll");
    exports.getEntityAPI = Symbol<GETENTITYAPI_FN>(library, "GetEntityAPI");
    exports.getEntityAPI2 = Symbol<GETENTITYAPI2_FN>(library, "GetEntityAPI2");
    exports.getNewDLLFunctions = Symbol<GETNEWDLLFUNCTIONS_FN>(library, "GetNewDLLFunctions");
    exports.serverGetBlendingInterface =
        Symbol<SERVER_GETBLENDINGINTERFACE_FN>(library, "Server_GetBlendingInterface");
    exports.metaInit = Symbol<META_INIT_FN>(library, "Meta_Init");
    exports.metaQuery = Symbol<META_QUERY_FN>(library, "Meta_Query");
    exports.metaAttach = Symbol<META_ATTACH_FN>(library, "Meta_Attach");
    exports.metaDetach = Symbol<META_DETACH_FN>(library, "Meta_Detach");
    exports.findEntity = [library](const char *name) { return Symbol<ENTITY_FN>(library, name); };
    return exports;
}

}  // namespace hostsim
