// One exported forwarder per entity class of the game library.  In standalone
// mode the engine looks every map entity's class name up in our library; each
// forwarder calls the game library's function of the same name, looked up
// once, and does nothing when the game library lacks it.
#include "plugin/standalone.h"

#define ZK_ENTITY(name)                                                            \
    ZK_EXPORT ZK_HOST_CALLED void name(entvars_t *pev) {                           \
        static bool s_lookedUp = false;                                            \
        static ENTITY_FN s_forward = nullptr;                                      \
        if (!s_lookedUp) {                                                         \
            s_forward = reinterpret_cast<ENTITY_FN>(GameEntityExport(#name));      \
            s_lookedUp = s_forward != nullptr;                                     \
        }                                                                          \
        if (s_forward != nullptr) s_forward(pev);                                  \
    }
#include "plugin/entity_names.inc"
#undef ZK_ENTITY
