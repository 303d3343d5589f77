#include "commands/join_messages.h"

bool SendJoinMessages(edict_t *pEntity) {
    (void)pEntity;
    return false;
}
