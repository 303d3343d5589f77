#include "control/timer_throttling.h"

#include "log/log.h"

namespace {
bool s_tried = false;
platform::ThrottlingOptOut s_outcome = platform::ThrottlingOptOut::NotNeeded;
}  // namespace

void KeepTimerResolutionWhenHidden() {
    if (s_tried) return;
    s_tried = true;
    s_outcome = platform::OptOutOfTimerThrottling();
    if (s_outcome == platform::ThrottlingOptOut::FunctionMissing)
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL,
                   "This Windows has no power throttling settings (SetProcessInformation); the timer resolution "
                   "is kept as asked.");
    else if (s_outcome == platform::ThrottlingOptOut::Refused)
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL,
                   "Windows did not take the power throttling opt-out (versions before Windows 10 1709 need none). On "
                   "Windows 11 keep the server window visible, or its timer falls back to 15.6 ms.");
}

platform::ThrottlingOptOut TimerThrottlingOutcome() { return s_outcome; }

void ResetTimerThrottlingForTests() {
    s_tried = false;
    s_outcome = platform::ThrottlingOptOut::NotNeeded;
}
