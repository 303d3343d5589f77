// Fault points: the places in the platform backend where a test can make an
// operating-system service fail, to check that the plugin carries on.
//
// A point can also stop the process there, for tests of what a server killed
// at that moment leaves behind (in a death test's child process).
//
// The shipped library is built without them: FaultFires is then the constant
// false and costs nothing.  The unit tests link the backend built with
// ZK_FAULT_POINTS and arm the points they need; the test build of the
// library made from it (for the simulator's soak run) also exports
// ZK_ProbeLiveSystemTimers, the number of live system timers, and
// ZK_ProbeLiveWindowFonts, the number of the window's fonts that exist.
#pragma once

namespace platform {

enum class FaultPoint : int {
    MakeDirectory,    // CreateOneDirectory fails
    OpenForReading,   // OpenStream with a reading mode fails
    OpenForWriting,   // OpenStream with a writing or appending mode fails (read-only file)
    WriteStream,      // a write stops half-way (disk full)
    StartTimer,       // StartSystemTimer gives no timer
    CreateTemporary,  // AtomicFile::Begin cannot create the temporary file
    TemporaryTaken,   // CreateExclusiveStream finds the name taken (a file left by an ended process)
    WriteTemporary,   // AtomicFile::Write stops half-way (disk full)
    SyncTemporary,    // AtomicFile::Commit cannot flush the temporary file to the disk
    RenameTemporary,  // AtomicFile::Commit cannot rename the temporary file into place
    ExtendedAttribute,  // POSIX: the file system keeps no extended attributes (ENOTSUP)
    ThrottlingMissing,  // OptOutOfTimerThrottling finds no SetProcessInformation
    ThrottlingRefused,  // OptOutOfTimerThrottling is refused by the system
    NoDesktop,        // InteractiveDesktop: the process runs without one (a service)
    SessionZero,      // InteractiveDesktop: the process's session reads as 0 (a service's,
                      // since Vista), whatever the window station says
    ModalLoop,        // ShowMessageBox shows nothing but runs a box's modal loop
                      // for 1.5 s: the thread's messages are dispatched meanwhile
    NoStatx,          // POSIX: the kernel has no statx system call (ENOSYS; Linux before 4.11)
    ProcessCpuTime,   // ProcessCpuNanoseconds cannot read the process's processor time
    CounterFault,     // a processor-load counter call faults (Windows: the counters'
                      // library crashed inside it): the call gives CpuStatus::Fault
    Count
};

// The exit code of a process ended at a point armed with ArmStop.
constexpr int kStoppedAtFaultPoint = 86;

#ifdef ZK_FAULT_POINTS
// True when the armed point fails this call.
bool FaultFires(FaultPoint point);
// The point lets the next `passes` calls through, then fails `failures`
// calls (-1: every call from then on).
void ArmFault(FaultPoint point, int passes, int failures);
// The point lets the next `passes` calls through; the one after ends the
// process at once (std::_Exit with kStoppedAtFaultPoint: nothing is flushed
// or cleaned up), as a server killed at that moment would end.
void ArmStop(FaultPoint point, int passes);
void DisarmFaults();
// Message boxes ShowMessageBox has shown (or stood in for with the modal loop).
int MessageBoxesShown();
// Fonts of the window: created since the process started, and alive now.
int WindowFontsCreated();
int LiveWindowFonts();
#else
constexpr bool FaultFires(FaultPoint) { return false; }
#endif

}  // namespace platform
