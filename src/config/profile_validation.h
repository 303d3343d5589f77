// Validation and report of the profile levels, every governor check.
#pragma once

void ApplyProfile(bool bAutoRate);
