#include "resources/database_step.h"

void DatabaseStep() {}
