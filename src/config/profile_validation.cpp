#include "config/profile_validation.h"

void ApplyProfile(bool bAutoRate) { (void)bAutoRate; }
